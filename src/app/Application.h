#pragma once

#include <QString>
#include <exception>
#include <memory>

#include "Platform.h"

namespace tracella {

class TForm1;
class TForm2;

// The text the failure report shows: the innermost non-empty message of a chain of nested
// exceptions, with "." appended when it ends in a character whose code is above that of ".".
QString FailureText(std::exception_ptr failure);

// Creates the two windows, shows the main one maximised and runs the event loop. An exception
// that escapes a handler is reported and the loop goes on; one during start-up ends the program.
class TApplication {
 public:
  explicit TApplication(Platform& platform);
  ~TApplication();

  void Initialize();
  bool Start();  // creates the windows and shows the main one; false when start-up failed
  int Run();     // Start, then the event loop until the main window closes
  void ShowException(const std::exception_ptr& failure);

  TForm1* Form1() const { return form1_.get(); }
  TForm2* Form2() const { return form2_; }

 private:
  Platform& platform_;
  std::unique_ptr<TForm1> form1_;
  TForm2* form2_ = nullptr;  // owned by Form1, so it goes with the main window
  bool starting_ = false;
  bool failedToStart_ = false;
};

}  // namespace tracella
