#include <QApplication>

#include "Application.h"
#include "ApplicationIcon.h"
#include "QtPlatform.h"

int main(int argc, char* argv[]) {
  QApplication qtApplication(argc, argv);
  QApplication::setWindowIcon(tracella::ApplicationIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tracella"));
  tracella::QtPlatform platform;
  tracella::TApplication application(platform);
  application.Initialize();
  return application.Run();
}
