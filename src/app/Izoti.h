#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace tracella {

class FitPicture;
class Platform;

// The about window: program, version and maker, and a button that opens the donation page.
// A fixed-size tool window kept above the main window; closing it only hides it.
class TForm2 : public QWidget {
 public:
  // parent: the main window, so the about window stays above it and goes with it.
  explicit TForm2(Platform& platform, QWidget* parent = nullptr);

  // The first show centres the window on the screen, later ones put it back where it was hidden;
  // on a visible window it only brings it to the front.
  void Show();
  void Hide();

  void Button1Click();
  void Button2Click();

  FitPicture* const Image1;
  FitPicture* const Image2;
  QGroupBox* const GroupBox1;
  QLabel* const Label1;
  QLabel* const Label2;
  QLabel* const Label3;
  QLabel* const Label4;
  QPushButton* const Button1;
  QPushButton* const Button2;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Platform& platform_;
  bool placed_ = false;
};

}  // namespace tracella
