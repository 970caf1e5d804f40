#include "Application.h"

#include <QApplication>
#include <QScreen>

#include "Exception.h"
#include "Faqja1.h"
#include "Guard.h"
#include "Izoti.h"

namespace tracella {

QString FailureText(std::exception_ptr failure) {
  std::string message;
  while (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& error) {
      if (*error.what() != '\0') message = error.what();
      const auto* nested = dynamic_cast<const std::nested_exception*>(&error);
      failure = nested ? nested->nested_ptr() : nullptr;
    } catch (...) {
      failure = nullptr;
    }
  }
  return QString::fromStdString(ReportText(message));
}

TApplication::TApplication(Platform& platform) : platform_(platform) {}

TApplication::~TApplication() { SetFailureReporter(nullptr); }

void TApplication::Initialize() {
  SetFailureReporter([this](const std::exception_ptr& failure) { ShowException(failure); });
}

void TApplication::ShowException(const std::exception_ptr& failure) {
  platform_.ShowFailure(FailureText(failure));
  if (starting_) failedToStart_ = true;
}

bool TApplication::Start() {
  starting_ = true;
  Guarded([this] {
    form1_ = std::make_unique<TForm1>(platform_);
    form2_ = new TForm2(platform_, form1_.get());
    form1_->SetAboutWindow(form2_);
    // Restoring from maximised brings back the design size, centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    form1_->move(screen.center() - form1_->rect().center());
    form1_->showMaximized();
    // The show handler runs once the window system has sized the window; a failure there is
    // still a failure to start.
    while (!form1_->Shown() && form1_->isVisible()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  });
  starting_ = false;
  return !failedToStart_;
}

int TApplication::Run() { return Start() ? QApplication::exec() : 1; }

}  // namespace tracella
