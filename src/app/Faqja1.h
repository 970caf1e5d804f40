#pragma once

#include <QString>
#include <QWidget>
#include <cstddef>

#include "Platform.h"
#include "SketchPipeline.h"

class QAction;
class QMenu;
class QMenuBar;

namespace tracella {

class TComboColorBox;
class TForm2;
class TImage;
class TScrollBar;
class TSpinBox;
class TTrackBar;

// The main window: the control strip, the picture view, the menus and every handler behind them.
class TForm1 : public QWidget {
 public:
  explicit TForm1(Platform& platform, QWidget* parent = nullptr);
  ~TForm1() override;

  void SetAboutWindow(TForm2* form2) { Form2 = form2; }

  // True once the show handler has run (or failed): the window is up and placed.
  bool Shown() const { return shown_; }

  // Controls, back to front.
  TImage* Image1;
  FileDialog OpenDialog1;
  QWidget* Panel1;
  TTrackBar* TrackBar1;
  TSpinBox* SpinBox1;
  FileDialog SaveDialog1;
  TScrollBar* ScrollBar2;  // horizontal, along the bottom
  TScrollBar* ScrollBar1;  // vertical, along the right
  QMenuBar* MenuBar1;
  QMenu* MenuItem20;    // "File"
  QAction* MenuItem21;  // "Open..."
  QAction* MenuItem22;  // "Save As..."
  QAction* MenuItem23;  // "Exit"
  QMenu* MenuItem24;    // "Edit"
  QAction* MenuItem25;  // "6"
  QAction* MenuItem26;  // "9"
  QAction* MenuItem27;  // "13"
  QMenu* MenuItem28;    // "Facebook", its entries in the order of Links
  QAction* MenuItem30;  // "Velmora"
  QAction* MenuItem31;  // "Quisten"
  QAction* MenuItem32;  // "Darrow"
  QAction* MenuItem33;  // "Frondel"
  QAction* MenuItem34;  // "Maskelo"
  QAction* MenuItem35;  // "Tiberne"
  QAction* MenuItem36;  // "Olvash"
  QAction* MenuItem37;  // "Tracella"
  QAction* MenuItem38;  // "Pennica"
  QAction* MenuItem29;  // "About Tracella", on the menu bar itself
  TComboColorBox* ComboColorBox1;

  // Handlers.
  void TrackBar1Change();
  void SpinBox1Change();
  void FormResize();
  void ScrollBar1Change();
  void ScrollBar2Change();
  void FormShow();
  void Image1MouseWheel(int WheelDelta);
  void MenuItem21Click();
  void MenuItem22Click();
  void MenuItem23Click();
  void MenuItem25Click();
  void MenuItem26Click();
  void MenuItem27Click();
  void MenuItem29Click();
  void MenuItem30Click();
  void MenuItem31Click();
  void MenuItem32Click();
  void MenuItem33Click();
  void MenuItem34Click();
  void MenuItem35Click();
  void MenuItem36Click();
  void MenuItem37Click();
  void MenuItem38Click();
  void ComboColorBox1Change();

  // The sketch passes over the working images, with the controls' threshold and colour.
  void MakeGray();
  void RenderSketch();

  // The window's working state: the working images live in the pipeline.
  SketchPipeline Pipeline;
  int ViewportWidth = 0, ViewportHeight = 0, CentreSpan = 0;
  QString LastOpenedPath;
  QString RememberedSaveName;

  // Outer size: the client area plus the frame the layout arithmetic counts with.
  int OuterWidth() const { return width() + 16; }
  int OuterHeight() const { return height() + 39; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void PlaceColorBox();
  // The picture view for a picture of this width or height.
  void SetVerticalRange(int pictureHeight);
  void SetHorizontalRange(int pictureWidth);
  void CentrePicture(int pictureWidth);
  void ShowSketch();
  void OpenPicture(const QString& path);
  void ShowOpenedPicture(int pictureWidth, int pictureHeight);
  void NameOpenedPicture(const QString& path, int pictureWidth, int pictureHeight);

  // What an open changes in the view, kept to be put back; the caption is put back by itself.
  struct TView {
    QString caption, lastOpenedPath;
    double x, y, width, height;
    double verticalMax, verticalValue, horizontalMax, horizontalValue;
  };
  TView CurrentView() const;
  void RestoreView(const TView& view);
  void OpenLink(std::size_t index);
  void RunShowHandler();

  Platform& platform_;
  TForm2* Form2 = nullptr;
  bool showing_ = false;  // shown, the show handler waiting for the window system's size
  bool shown_ = false;
};

}  // namespace tracella
