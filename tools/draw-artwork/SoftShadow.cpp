#include "SoftShadow.h"

#include <QColor>
#include <algorithm>
#include <vector>

namespace {

// One pass of a running-sum box blur along a line of `count` values that lie `stride` apart.
void BlurLine(std::vector<int>& values, size_t start, int count, size_t stride, int radius) {
  std::vector<int> line(static_cast<size_t>(count));
  for (size_t i = 0; i < line.size(); ++i) line[i] = values[start + i * stride];
  const int window = 2 * radius + 1;
  int sum = 0;
  auto at = [&](int i) { return (i < 0 || i >= count) ? 0 : line[static_cast<size_t>(i)]; };
  for (int i = -radius; i <= radius; ++i) sum += at(i);
  for (int i = 0; i < count; ++i) {
    values[start + static_cast<size_t>(i) * stride] = sum / window;
    sum += at(i + radius + 1) - at(i - radius);
  }
}

}  // namespace

QImage SoftShadow(const QImage& picture, int radius, QColor colour) {
  const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
  const int width = source.width();
  const int height = source.height();
  const auto columns = static_cast<size_t>(width);
  auto at = [columns](int x, int y) { return static_cast<size_t>(y) * columns + static_cast<size_t>(x); };
  std::vector<int> alpha(columns * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) alpha[at(x, y)] = qAlpha(source.pixel(x, y));

  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height; ++y) BlurLine(alpha, at(0, y), width, 1, radius);
    for (int x = 0; x < width; ++x) BlurLine(alpha, at(x, 0), height, columns, radius);
  }

  QImage shadow(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int a = std::clamp(alpha[at(x, y)] * colour.alpha() / 255, 0, 255);
      shadow.setPixel(x, y, qRgba(colour.red(), colour.green(), colour.blue(), a));
    }
  return shadow;
}
