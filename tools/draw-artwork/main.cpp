// Draws the emblem, the wordmark and the application icons into a folder:
//   tracella-draw-artwork <output folder> <TrueType font file>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <array>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "Emblem.h"
#include "Wordmark.h"

namespace {

void Save(const QImage& image, const QString& path) {
  if (!image.save(path, "PNG")) throw std::runtime_error("cannot write " + path.toStdString());
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QStringList arguments = QGuiApplication::arguments();
  if (arguments.size() != 3) {
    std::fputs("usage: tracella-draw-artwork <output folder> <font.ttf>\n", stderr);
    return 2;
  }
  try {
    const QDir out(arguments[1]);
    if (!out.mkpath(QStringLiteral("icons"))) throw std::runtime_error("cannot create the output folder");
    Save(DrawEmblem(256), out.filePath(QStringLiteral("emblem.png")));
    Save(DrawWordmark(arguments[2]), out.filePath(QStringLiteral("wordmark.png")));
    for (const int size : std::array{256, 128, 64, 48, 32, 24, 16})
      Save(DrawEmblem(size), out.filePath(QStringLiteral("icons/%1.png").arg(size)));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tracella-draw-artwork: %s\n", e.what());
    return 1;
  }
  return 0;
}
