#include "SoftShadow.h"

#include <QColor>

#include <algorithm>
#include <vector>

namespace {

// One pass of a running-sum box blur along a line of `count` values that lie `stride` apart.
void BlurLine(std::vector<int>& values, int start, int count, int stride, int radius) {
  std::vector<int> line(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) line[static_cast<size_t>(i)] = values[static_cast<size_t>(start + i * stride)];
  const int window = 2 * radius + 1;
  int sum = 0;
  auto at = [&](int i) { return (i < 0 || i >= count) ? 0 : line[static_cast<size_t>(i)]; };
  for (int i = -radius; i <= radius; ++i) sum += at(i);
  for (int i = 0; i < count; ++i) {
    values[static_cast<size_t>(start + i * stride)] = sum / window;
    sum += at(i + radius + 1) - at(i - radius);
  }
}

}  // namespace

QImage SoftShadow(const QImage& picture, int radius, QColor colour) {
  const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
  const int width = source.width();
  const int height = source.height();
  std::vector<int> alpha(static_cast<size_t>(width * height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) alpha[static_cast<size_t>(y * width + x)] = qAlpha(source.pixel(x, y));

  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height; ++y) BlurLine(alpha, y * width, width, 1, radius);
    for (int x = 0; x < width; ++x) BlurLine(alpha, x, height, width, radius);
  }

  QImage shadow(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int a = std::clamp(alpha[static_cast<size_t>(y * width + x)] * colour.alpha() / 255, 0, 255);
      shadow.setPixel(x, y, qRgba(colour.red(), colour.green(), colour.blue(), a));
    }
  return shadow;
}
