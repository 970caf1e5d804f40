// Feeds arbitrary bytes to the picture loader. The first byte picks one of the nine accepted
// extensions, the rest is the file's content; whatever the content, the loader must either fail
// with one of our own exceptions or give a bitmap within MaxBitmapSize, and the grey loader must
// fail alike or give that bitmap's green channel.
#include <stdlib.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtGlobal>
#include <cstdint>
#include <cstdio>

#include "Bitmap.h"
#include "Exception.h"
#include "GrayPlane.h"
#include "PictureFiles.h"

namespace {

QString& WorkFolder() {
  static QString folder;
  return folder;
}

void RemoveWorkFolder() { QDir(WorkFolder()).removeRecursively(); }

// Damaged files make Qt's readers warn on every input; the warnings say nothing the result does not.
void Silent(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qInstallMessageHandler(Silent);
  QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/tracella-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  WorkFolder() = QFile::decodeName(pattern);
  std::atexit(RemoveWorkFolder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const QString path = WorkFolder() + "/input" +
                       QLatin1String(tracella::PictureExtensions[data[0] % tracella::PictureExtensions.size()]);
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data + 1), static_cast<qint64>(size - 1)) !=
            static_cast<qint64>(size - 1))
      std::abort();
  }
  tracella::TBitmap bitmap;
  bool loaded = true;
  try {
    tracella::LoadFromFile(bitmap, path);
    const bool fits = bitmap.Width() >= 1 && bitmap.Height() >= 1 && bitmap.Width() <= tracella::MaxBitmapSize &&
                      bitmap.Height() <= tracella::MaxBitmapSize;
    if (!fits) std::abort();
  } catch (const tracella::Exception&) {
    loaded = false;
  }
  // The grey is decoded its own way for most formats; it must still be the picture's green.
  tracella::TGrayPlane gray;
  try {
    tracella::LoadGrayFromFile(gray, path);
    if (!loaded || gray.Width() != bitmap.Width() || gray.Height() != bitmap.Height()) std::abort();
    for (int y = 0; y < gray.Height(); ++y)
      for (int x = 0; x < gray.Width(); ++x)
        if (gray.Row(y)[x] != tracella::GreenOf(bitmap.ScanLine(y)[x])) std::abort();
  } catch (const tracella::Exception&) {
    if (loaded) std::abort();
  }
  QFile::remove(path);
  return 0;
}
