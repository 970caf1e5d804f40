// tracella-bench [benchmark flags]          runs the benchmarks
// tracella-bench --make-photo OUT.jpg SRC.jpg WxH  makes a photograph the file cases read
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstring>

#include "MakePhoto.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);  // the threshold case drives a real window
  if (argc == 5 && std::strcmp(argv[1], "--make-photo") == 0) {
    const QStringList size = QString::fromLocal8Bit(argv[4]).split(u'x');
    if (size.size() != 2) return 2;
    return tracella::bench::MakePhoto(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                                      QSize(size[0].toInt(), size[1].toInt()))
               ? 0
               : 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
