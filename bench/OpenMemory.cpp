// tracella-open-memory PHOTO_24MP PHOTO_12MP
// The main window's resident memory above its start (the sample sketched and shown) after opening
// the 24 MP photograph, in units of that photograph's bitmap; then again after a threshold change
// and after opening the 12 MP one and the 24 MP one once more. A process of its own, so that no
// other measurement's memory is counted.
#include <QApplication>
#include <QFile>
#include <cstdio>

#include "FakePlatform.h"
#include "Faqja1.h"
#include "TSpinBox.h"

namespace {

double ResidentBytes() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toDouble() * 1024;
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: tracella-open-memory PHOTO_24MP PHOTO_12MP\n");
    return 2;
  }
  tracella::FakePlatform platform;
  tracella::TForm1 form(platform);
  form.show();
  QApplication::processEvents();
  const double baseline = ResidentBytes();
  auto open = [&](const char* path) {
    platform.openAnswers.push_back(QString::fromLocal8Bit(path));
    form.MenuItem21Click();
    QApplication::processEvents();
  };
  auto report = [&](const char* when) {
    const double bitmap = 6000.0 * 4000 * 4;
    std::printf("%-36s %7.1f MB above start = %.2fx the 24 MP bitmap\n", when, (ResidentBytes() - baseline) / 1e6,
                (ResidentBytes() - baseline) / bitmap);
  };
  open(argv[1]);
  if (form.Pipeline.SourceImage.Width() != 6000) {
    std::fprintf(stderr, "%s did not open as a 6000 x 4000 picture\n", argv[1]);
    return 1;
  }
  report("after opening the 24 MP photograph");
  form.SpinBox1->SetValue(13);
  report("after a threshold change");
  open(argv[2]);
  open(argv[1]);
  report("after opening 12 MP, then 24 MP again");
  return 0;
}
