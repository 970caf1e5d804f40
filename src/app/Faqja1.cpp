#include "Faqja1.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "BitmapImage.h"
#include "Guard.h"
#include "Izoti.h"
#include "Links.h"
#include "LocalPath.h"
#include "PictureFiles.h"
#include "TComboColorBox.h"
#include "TImage.h"
#include "TScrollBar.h"
#include "TSpinBox.h"
#include "TTrackBar.h"

namespace tracella {

namespace {

// "All files (*.Bmp *.Jpg ...)| *.Bmp;*.Jpg;...": each picture extension with a capital initial.
QString OpenFilter() {
  QStringList patterns;
  for (const char* extension : PictureExtensions) {
    const QString name = QString::fromLatin1(extension + 1);
    patterns << "*." + name.left(1).toUpper() + name.mid(1);
  }
  return "All files (" + patterns.join(u' ') + ")| " + patterns.join(u';');
}

const QString kSaveFilter = QStringLiteral("*.Jpg | *.Jpg");
const QString kNarrowPictureWarning = QStringLiteral(
    "Image is smaller than 800 pixel for width! For better result you need to resize to minimum: width = 800 pixel..");
constexpr int kNarrowestWithoutWarning = 800;
constexpr float kOpeningThreshold = 9.0f;
constexpr int kStripHeight = 68;

// A whole number halved, the remainder dropped toward zero: half(-5) is -2.
int Half(int n) { return n / 2; }

// The folder part of a path, separator included: "/pics/cat.png" gives "/pics/".
QString FolderPart(const QString& path) { return path.left(path.lastIndexOf(u'/') + 1); }

QString LastComponent(const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); }

// A file, not a folder; a link counts when its target exists.
bool FileExists(const QString& path) { return QFileInfo(path).isFile(); }

bool EndsInJpg(const QString& name) { return name.right(4).toLower() == QStringLiteral(".jpg"); }

TBitmap LoadSamplePhotograph() { return ToBitmap(QImage(QStringLiteral(":/tracella/sample.png"))); }

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

TForm1::TForm1(Platform& platform, QWidget* parent) : QWidget(parent), platform_(platform) {
  setWindowTitle(QStringLiteral("Tracella"));
  resize(818, 600);
  BuildControls();
  BuildMenus();
}

TForm1::~TForm1() = default;

void TForm1::BuildControls() {
  Image1 = new TImage(this);
  Image1->SetX(16);
  Image1->SetY(kStripHeight);
  Image1->SetWidth(457);
  Image1->SetHeight(309);
  Image1->Sketch = &Pipeline.SketchImage;
  Image1->OnMouseWheel = [this](int delta) { Image1MouseWheel(delta); };

  Panel1 = new QWidget(this);
  Panel1->setGeometry(0, 0, 632, kStripHeight);
  Panel1->setAutoFillBackground(true);

  TrackBar1 = new TTrackBar(Panel1);
  TrackBar1->setGeometry(146, 36, 466, 19);
  TrackBar1->SetMin(3);
  TrackBar1->SetMax(30);
  TrackBar1->SetValue(9);
  TrackBar1->OnChange = [this] { TrackBar1Change(); };

  SpinBox1 = new TSpinBox(Panel1);
  SpinBox1->setGeometry(74, 34, 66, 22);
  SpinBox1->SetMin(3);
  SpinBox1->SetMax(33);
  SpinBox1->SetValue(9);
  SpinBox1->OnChange = [this] { SpinBox1Change(); };

  ScrollBar2 = new TScrollBar(Qt::Horizontal, this);
  ScrollBar2->setGeometry(0, 376, 150, 18);
  ScrollBar2->SetMax(1);
  ScrollBar2->OnChange = [this] { ScrollBar2Change(); };

  ScrollBar1 = new TScrollBar(Qt::Vertical, this);
  ScrollBar1->setGeometry(616, kStripHeight, 18, 150);
  ScrollBar1->SetMax(1);
  ScrollBar1->OnChange = [this] { ScrollBar1Change(); };
}

void TForm1::BuildMenus() {
  MenuBar1 = new QMenuBar(this);
  MenuBar1->setNativeMenuBar(false);
  auto bind = [this](QAction* action, void (TForm1::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    return action;
  };
  MenuItem20 = MenuBar1->addMenu(QStringLiteral("File"));
  MenuItem21 = bind(MenuItem20->addAction(QStringLiteral("Open...")), &TForm1::MenuItem21Click);
  MenuItem22 = bind(MenuItem20->addAction(QStringLiteral("Save As...")), &TForm1::MenuItem22Click);
  MenuItem23 = bind(MenuItem20->addAction(QStringLiteral("Exit")), &TForm1::MenuItem23Click);
  MenuItem24 = MenuBar1->addMenu(QStringLiteral("Edit"));
  MenuItem25 = bind(MenuItem24->addAction(QStringLiteral("6")), &TForm1::MenuItem25Click);
  MenuItem26 = bind(MenuItem24->addAction(QStringLiteral("9")), &TForm1::MenuItem26Click);
  MenuItem27 = bind(MenuItem24->addAction(QStringLiteral("13")), &TForm1::MenuItem27Click);
  MenuItem28 = MenuBar1->addMenu(QStringLiteral("Facebook"));
  QAction** links[] = {&MenuItem30, &MenuItem31, &MenuItem32, &MenuItem33, &MenuItem34,
                       &MenuItem35, &MenuItem36, &MenuItem37, &MenuItem38};
  void (TForm1::*linkHandlers[])() = {&TForm1::MenuItem30Click, &TForm1::MenuItem31Click, &TForm1::MenuItem32Click,
                                      &TForm1::MenuItem33Click, &TForm1::MenuItem34Click, &TForm1::MenuItem35Click,
                                      &TForm1::MenuItem36Click, &TForm1::MenuItem37Click, &TForm1::MenuItem38Click};
  for (std::size_t i = 0; i < Links.size(); ++i) {
    const QString text = QString::fromUtf8(Links[i].MenuText.data(), static_cast<qsizetype>(Links[i].MenuText.size()));
    *links[i] = bind(MenuItem28->addAction(text), linkHandlers[i]);
  }
  MenuItem29 = bind(MenuBar1->addAction(QStringLiteral("About Tracella")), &TForm1::MenuItem29Click);

  // The colour box belongs with the "About Tracella" title: 133 units left of it, 33 below its
  // top, in the strip under the menu bar, drawn over everything else.
  ComboColorBox1 = new TComboColorBox(this);
  ComboColorBox1->resize(60, 22);
  ComboColorBox1->SetUseAlpha(false);
  ComboColorBox1->SetColor(claBlack);
  ComboColorBox1->OnChange = [this] { ComboColorBox1Change(); };

  setTabOrder(ComboColorBox1, TrackBar1);
  setTabOrder(TrackBar1, SpinBox1);
}

void TForm1::PlaceColorBox() {
  MenuBar1->setGeometry(0, 0, width(), 24);
  const QRect title = MenuBar1->actionGeometry(MenuItem29);
  ComboColorBox1->move(title.left() - 133, title.top() + 33);
}

// --- Window events -------------------------------------------------------------------------

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceColorBox();
  Guarded([this] { FormResize(); });
}

// A window shown maximised or full screen gets its size from the window system only after show()
// has returned; that size has reached the size handler by the time the window is first exposed,
// so the show handler waits for that.
void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_ || showing_ || event->spontaneous()) return;
  if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
    showing_ = true;
    windowHandle()->installEventFilter(this);
  } else {
    RunShowHandler();
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (showing_ && watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
    windowHandle()->removeEventFilter(this);
    showing_ = false;
    RunShowHandler();
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::RunShowHandler() {
  shown_ = true;
  Guarded([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  event->accept();
  QCoreApplication::quit();
}

// --- Sketch ---------------------------------------------------------------------------------

void TForm1::MakeGray() { Pipeline.MakeGray(); }

void TForm1::RenderSketch() { Pipeline.RenderSketch(SpinBox1->Value(), ComboColorBox1->Color()); }

// Image1 draws the part of SketchImage on screen when it paints.
void TForm1::ShowSketch() { Image1->SketchChanged(); }

void TForm1::FormShow() {
  Pipeline.SourceImage.Take(LoadSamplePhotograph());
  MakeGray();
  RenderSketch();
  Image1->SetWidth(Pipeline.SketchImage.Width());
  Image1->SetHeight(Pipeline.SketchImage.Height());
  ShowSketch();
  CentrePicture(Pipeline.SourceImage.Width());
  SetVerticalRange(Pipeline.SourceImage.Height());
  SetHorizontalRange(Pipeline.SourceImage.Width());
}

// --- Threshold and colour ---------------------------------------------------------------------

void TForm1::TrackBar1Change() { SpinBox1->SetValue(TrackBar1->Value()); }

void TForm1::SpinBox1Change() {
  RenderSketch();
  ShowSketch();
  TrackBar1->SetValue(SpinBox1->Value());
}

void TForm1::ComboColorBox1Change() { SpinBox1Change(); }

void TForm1::MenuItem25Click() { SpinBox1->SetValue(6); }

void TForm1::MenuItem26Click() { SpinBox1->SetValue(9); }

void TForm1::MenuItem27Click() { SpinBox1->SetValue(13); }

// --- Picture view -------------------------------------------------------------------------

void TForm1::CentrePicture(int pictureWidth) { Image1->SetX(Half(CentreSpan) - Half(pictureWidth)); }

void TForm1::SetVerticalRange(int pictureHeight) {
  ScrollBar1->SetMax(pictureHeight > ViewportHeight ? pictureHeight - ViewportHeight : 1);
}

void TForm1::SetHorizontalRange(int pictureWidth) {
  if (pictureWidth > ViewportWidth) {
    ScrollBar2->SetMax(pictureWidth - ViewportWidth);
    ScrollBar2->SetValue(std::trunc(ScrollBar2->Max() * 0.5));
  } else {
    ScrollBar2->SetMax(1);
  }
}

void TForm1::FormResize() {
  const int w = OuterWidth(), h = OuterHeight();
  Panel1->resize(std::max(w - 16, 0), Panel1->height());
  TrackBar1->resize(std::max(w - 172, 0), TrackBar1->height());
  CentreSpan = w - 33;
  Image1->SetWidth(Pipeline.SourceImage.Width());
  Image1->SetHeight(Pipeline.SourceImage.Height());
  CentrePicture(Pipeline.SourceImage.Width());
  ViewportHeight = h - 125;
  ViewportWidth = w - 34;
  ScrollBar1->setGeometry(ViewportWidth, ScrollBar1->y(), ScrollBar1->width(), std::max(ViewportHeight, 0));
  ScrollBar2->setGeometry(ScrollBar2->x(), ViewportHeight + kStripHeight, std::max(ViewportWidth, 0),
                          ScrollBar2->height());
  ScrollBar1->SetValue(0);
  ScrollBar2->SetValue(0);
  SetVerticalRange(Pipeline.SourceImage.Height());
  SetHorizontalRange(Pipeline.SourceImage.Width());
}

void TForm1::ScrollBar1Change() {
  const int n = static_cast<int>(ScrollBar1->Value());
  if (ScrollBar1->Max() > 1) Image1->SetY(kStripHeight - n);
}

void TForm1::ScrollBar2Change() {
  const int n = static_cast<int>(ScrollBar2->Value());
  if (ScrollBar2->Max() > 1) Image1->SetX(0 - n);
}

void TForm1::Image1MouseWheel(int WheelDelta) {
  if (WheelDelta > 0) ScrollBar1->SetValue(ScrollBar1->Value() - 20);
  if (WheelDelta < 0) ScrollBar1->SetValue(ScrollBar1->Value() + 20);
}

// --- Files ---------------------------------------------------------------------------------

void TForm1::MenuItem21Click() {
  OpenDialog1.Filter = OpenFilter();
  const QString photoFolder = platform_.ExecutableFolder() + QStringLiteral("/Images");
  OpenDialog1.InitialDir = LastOpenedPath.isEmpty() ? photoFolder : FolderPart(LastOpenedPath);
  if (platform_.ExecuteOpenDialog(OpenDialog1)) {
    SpinBox1->SetValue(kOpeningThreshold);
    OpenPicture(OpenDialog1.FileName);
  }
  SetHorizontalRange(Pipeline.SourceImage.Width());
}

// A large photograph is shown as soon as the rows on screen are decoded, while the rows below are
// still being decoded; one found damaged further down puts the view back before the failure is
// reported, so that a failed open still changes nothing.
void TForm1::OpenPicture(const QString& path) {
  const TView before = CurrentView();
  bool shownEarly = false;
  const auto showTop = [&](const TGrayPlane& top) {
    if (top.Width() < kNarrowestWithoutWarning) return;  // its warning comes before its name
    TSketchImage early(top);
    early.Set(SpinBox1->Value(), ComboColorBox1->Color());
    Image1->Sketch = &early;
    shownEarly = true;
    ShowOpenedPicture(top.Width(), top.Height());
    NameOpenedPicture(path, top.Width(), top.Height());
    SetHorizontalRange(top.Width());
    repaint();
    Image1->Sketch = &Pipeline.SketchImage;
  };
  // Every row the picture control can show, from the vertical position kept, and the one below.
  const int rowsOnScreen = static_cast<int>(std::ceil(ScrollBar1->Value())) + height() - kStripHeight + 1;
  try {
    const WaitCursor waiting;
    Pipeline.Load(path, {rowsOnScreen, showTop});
    MakeGray();
    RenderSketch();
  } catch (...) {
    if (shownEarly) {
      RestoreView(before);
      setWindowTitle(before.caption);
    }
    throw;
  }
  // The steps below then leave the view exactly as they would have from where it was.
  if (shownEarly) RestoreView(before);
  const int pictureWidth = Pipeline.SourceImage.Width(), pictureHeight = Pipeline.SourceImage.Height();
  ShowOpenedPicture(pictureWidth, pictureHeight);
  if (pictureWidth < kNarrowestWithoutWarning) platform_.ShowError(kNarrowPictureWarning, QStringLiteral("Tracella"));
  NameOpenedPicture(path, pictureWidth, pictureHeight);
}

void TForm1::ShowOpenedPicture(int pictureWidth, int pictureHeight) {
  Image1->SetWidth(pictureWidth);
  Image1->SetHeight(pictureHeight);
  ShowSketch();
}

void TForm1::NameOpenedPicture(const QString& path, int pictureWidth, int pictureHeight) {
  setWindowTitle(QStringLiteral("Tracella - ") + DisplayedPath(path));
  LastOpenedPath = path;
  CentrePicture(pictureWidth);
  SetVerticalRange(pictureHeight);
  // A picture that fits vertically cannot be scrolled, so nothing else would bring its top
  // back from where the previous picture was scrolled to.
  if (ScrollBar1->Max() <= 1) Image1->SetY(kStripHeight);
}

TForm1::TView TForm1::CurrentView() const {
  return {windowTitle(),    LastOpenedPath,    Image1->X(),         Image1->Y(),       Image1->Width(),
          Image1->Height(), ScrollBar1->Max(), ScrollBar1->Value(), ScrollBar2->Max(), ScrollBar2->Value()};
}

void TForm1::RestoreView(const TView& view) {
  ScrollBar1->SetMax(view.verticalMax);
  ScrollBar1->SetValue(view.verticalValue);
  ScrollBar2->SetMax(view.horizontalMax);
  ScrollBar2->SetValue(view.horizontalValue);
  Image1->SetX(view.x);
  Image1->SetY(view.y);
  Image1->SetWidth(view.width);
  Image1->SetHeight(view.height);
  ShowSketch();
  LastOpenedPath = view.lastOpenedPath;
}

void TForm1::MenuItem22Click() {
  // A taken name is refused and the dialog opens again, as often as it takes.
  for (;;) {
    const QString picturesFolder = platform_.PicturesFolder();
    SaveDialog1.Filter = kSaveFilter;
    SaveDialog1.FileName.clear();
    SaveDialog1.InitialDir = RememberedSaveName.isEmpty() ? picturesFolder : RememberedSaveName;
    if (!platform_.ExecuteSaveDialog(SaveDialog1)) return;
    const QString chosen = SaveDialog1.FileName;
    if (chosen.isEmpty()) return;
    const QString withSuffix = chosen + QStringLiteral(".jpg");
    if (FileExists(chosen) || FileExists(withSuffix)) {
      RememberedSaveName = LastComponent(chosen);
      platform_.ShowError(QStringLiteral("File name exists!"), QStringLiteral("Error"));
      continue;
    }
    if (EndsInJpg(chosen)) {
      SaveToFile(Pipeline.SketchImage.Rows(), chosen);
    } else {
      SaveToFile(Pipeline.SketchImage.Rows(), withSuffix);
      RememberedSaveName.clear();
    }
    return;
  }
}

void TForm1::MenuItem23Click() { close(); }

// --- About and links ----------------------------------------------------------------------

void TForm1::MenuItem29Click() { Form2->Show(); }

void TForm1::OpenLink(std::size_t index) { platform_.OpenUrl(LinkAddress(index)); }

void TForm1::MenuItem30Click() { OpenLink(0); }
void TForm1::MenuItem31Click() { OpenLink(1); }
void TForm1::MenuItem32Click() { OpenLink(2); }
void TForm1::MenuItem33Click() { OpenLink(3); }
void TForm1::MenuItem34Click() { OpenLink(4); }
void TForm1::MenuItem35Click() { OpenLink(5); }
void TForm1::MenuItem36Click() { OpenLink(6); }
void TForm1::MenuItem37Click() { OpenLink(7); }
void TForm1::MenuItem38Click() { OpenLink(8); }

}  // namespace tracella
