#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <utility>
#include <vector>

#include "BitmapImage.h"
#include "CountingForm.h"
#include "FakePlatform.h"
#include "Faqja1.h"
#include "Links.h"
#include "SketchReference.h"
#include "TComboColorBox.h"
#include "TImage.h"
#include "TScrollBar.h"
#include "TSpinBox.h"
#include "TTrackBar.h"

namespace tracella {
namespace {

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    form.show();
    SetOuterSize(834, 639);
    form.renderings.clear();
  }

  // Outer size as the layout counts it: the client area plus 16 by 39. The size handler runs
  // once, as it would after the user sized the window, also when the size stays the same.
  void SetOuterSize(int width, int height) {
    if (form.OuterWidth() == width && form.OuterHeight() == height) {
      form.FormResize();
      return;
    }
    form.resize(width - 16, height - 39);
    QCoreApplication::processEvents();
    ASSERT_EQ(form.OuterWidth(), width);
    ASSERT_EQ(form.OuterHeight(), height);
  }

  // A source picture of the given size (its pixels do not matter to the layout).
  void UsePicture(int width, int height) {
    TBitmap picture(width, height);
    picture.Clear(claWhite);
    form.Pipeline.SourceImage.Take(std::move(picture));
  }

  FakePlatform platform;
  CountingForm form{platform};
};

TEST_F(MainWindowTest, StartsWithTheSketchOfTheSamplePhotographAtNineInBlack) {
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Tracella"));
  EXPECT_EQ(form.SpinBox1->Text(), QStringLiteral("9"));
  EXPECT_EQ(form.TrackBar1->Value(), 9.0f);
  EXPECT_EQ(form.ComboColorBox1->Color(), claBlack);
  ASSERT_EQ(form.Pipeline.SourceImage.Width(), 800);
  ASSERT_EQ(form.Pipeline.SourceImage.Height(), 885);

  TBitmap source = ToBitmap(QImage(QStringLiteral(":/tracella/sample.png"))), gray, sketch;
  reference::MakeGray(source, gray);
  reference::RenderSketch(gray, 9.0f, claBlack, sketch);
  const TBitmap shown = ShownSketch(form);
  ASSERT_EQ(shown.Width(), 800);
  ASSERT_EQ(shown.Height(), 885);
  EXPECT_EQ(0, std::memcmp(shown.Pixels(), sketch.Pixels(), sketch.PixelCount() * 4));
  EXPECT_EQ(form.Image1->Width(), 800);
  EXPECT_EQ(form.Image1->Height(), 885);
}

// The layout the show handler rendered with, and the window's outer size then.
struct StartLayout {
  QSize frame;
  int viewportWidth, viewportHeight;
  bool operator==(const StartLayout&) const = default;
};

void PrintTo(const StartLayout& l, std::ostream* out) {
  *out << "frame " << l.frame.width() << "x" << l.frame.height() << ", viewport " << l.viewportWidth << "x"
       << l.viewportHeight;
}

// Shown maximised, the window gets its size from the window system only after show() returns:
// the show handler must wait for it, so that it places the picture with the final layout.
TEST(MainWindowStartTest, ShowHandlerRunsOnceAfterTheSizeHandlerHasSeenTheMaximisedSize) {
  FakePlatform platform;
  TForm1 form(platform);
  std::vector<StartLayout> rendered;
  form.Pipeline.OnRendered = [&](float) {
    rendered.push_back({form.frameGeometry().size(), form.ViewportWidth, form.ViewportHeight});
  };
  form.showMaximized();
  const QSize maximised = form.screen()->availableGeometry().size();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !rendered.empty() && form.frameGeometry().size() == maximised; }));
  ASSERT_EQ(rendered.size(), 1u);
  EXPECT_EQ(rendered[0], (StartLayout{maximised, form.OuterWidth() - 34, form.OuterHeight() - 125}));
  EXPECT_EQ(form.Image1->X(), (form.OuterWidth() - 33) / 2 - 400);
}

TEST_F(MainWindowTest, MenusHoldTheirEntriesInOrder) {
  QStringList titles;
  for (QAction* action : form.MenuBar1->actions()) titles << action->text();
  EXPECT_EQ(titles, (QStringList{"File", "Edit", "Facebook", "About Tracella"}));
  auto texts = [](QMenu* menu) {
    QStringList result;
    for (QAction* action : menu->actions()) result << action->text();
    return result;
  };
  EXPECT_EQ(texts(form.MenuItem20), (QStringList{"Open...", "Save As...", "Exit"}));
  EXPECT_EQ(texts(form.MenuItem24), (QStringList{"6", "9", "13"}));
  EXPECT_EQ(texts(form.MenuItem28), (QStringList{"Velmora", "Quisten", "Darrow", "Frondel", "Maskelo", "Tiberne",
                                                 "Olvash", "Tracella", "Pennica"}));
}

TEST_F(MainWindowTest, ColourBoxSitsBelowAndLeftOfTheAboutTitle) {
  const QRect title = form.MenuBar1->actionGeometry(form.MenuItem29);
  EXPECT_EQ(form.ComboColorBox1->geometry(), QRect(title.left() - 133, title.top() + 33, 60, 22));
}

struct LayoutCase {
  int outerWidth, outerHeight, pictureWidth, pictureHeight;
  int viewportWidth, viewportHeight, centreSpan;
  double left, top, verticalMax, horizontalMax, horizontalValue;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
  *out << "window " << c.outerWidth << "x" << c.outerHeight << ", picture " << c.pictureWidth << "x" << c.pictureHeight
       << ": viewport " << c.viewportWidth << "x" << c.viewportHeight << ", CentreSpan " << c.centreSpan
       << ", picture at " << c.left << "," << c.top << ", Max " << c.verticalMax << " and " << c.horizontalMax
       << ", horizontal value " << c.horizontalValue;
}

std::string LayoutCaseName(const testing::TestParamInfo<LayoutCase>& param) {
  const LayoutCase& c = param.param;
  return "Window" + std::to_string(c.outerWidth) + "x" + std::to_string(c.outerHeight) + "Picture" +
         std::to_string(c.pictureWidth) + "x" + std::to_string(c.pictureHeight);
}

class LayoutTest : public MainWindowTest, public testing::WithParamInterface<LayoutCase> {};

TEST_P(LayoutTest, SizeHandlerLaysOutTheViewAndCentresThePicture) {
  const LayoutCase c = GetParam();
  UsePicture(c.pictureWidth, c.pictureHeight);
  SetOuterSize(c.outerWidth, c.outerHeight);
  EXPECT_EQ(form.ViewportWidth, c.viewportWidth);
  EXPECT_EQ(form.ViewportHeight, c.viewportHeight);
  EXPECT_EQ(form.CentreSpan, c.centreSpan);
  EXPECT_EQ(form.Image1->X(), c.left);
  EXPECT_EQ(form.Image1->Y(), c.top);
  EXPECT_EQ(form.ScrollBar1->Max(), c.verticalMax);
  EXPECT_EQ(form.ScrollBar2->Max(), c.horizontalMax);
  EXPECT_EQ(form.ScrollBar2->Value(), c.horizontalValue);
  EXPECT_EQ(form.ScrollBar1->Value(), 0.0);
  EXPECT_EQ(form.Panel1->width(), c.outerWidth - 16);
  EXPECT_EQ(form.ScrollBar1->geometry(), QRect(c.viewportWidth, 68, 18, std::max(c.viewportHeight, 0)));
  EXPECT_EQ(form.ScrollBar2->geometry().top(), c.viewportHeight + 68);
  EXPECT_EQ(form.ScrollBar2->width(), std::max(c.viewportWidth, 0));
}

INSTANTIATE_TEST_SUITE_P(WindowAndPictureSizes, LayoutTest,
                         testing::Values(
                             // The sample in a small window: taller than the view, exactly as wide.
                             LayoutCase{834, 639, 800, 885, 800, 514, 801, 0, 68, 371, 1, 0},
                             // One pixel wider than the view: still a range of 1, centred left edge.
                             LayoutCase{834, 639, 801, 100, 800, 514, 801, 0, 68, 1, 1, 0},
                             // Two pixels wider: range 2, value 1, left edge -1.
                             LayoutCase{834, 639, 802, 100, 800, 514, 801, -1, 68, 1, 2, 1},
                             // Wider by 5: the value is the integer part of half the range.
                             LayoutCase{834, 639, 805, 100, 800, 514, 801, -2, 68, 1, 5, 2},
                             // A small picture in a large window: centred, nothing to scroll.
                             LayoutCase{1600, 1000, 801, 300, 1566, 875, 1567, 383, 68, 1, 1, 0},
                             // One pixel taller than the view: range 1.
                             LayoutCase{834, 639, 100, 515, 800, 514, 801, 350, 68, 1, 1, 0},
                             // Lower than 125: the view height is negative, the range the whole height plus the excess.
                             LayoutCase{834, 100, 100, 50, 800, -25, 801, 350, 68, 75, 1, 0}),
                         LayoutCaseName);

TEST_F(MainWindowTest, NarrowWindowGivesTheTrackBarNoWidth) {
  SetOuterSize(160, 639);
  EXPECT_EQ(form.TrackBar1->width(), 0);
  SetOuterSize(300, 639);
  EXPECT_EQ(form.TrackBar1->width(), 128);
}

TEST_F(MainWindowTest, ScrollHandlersMoveByTheIntegerPartOnlyWhenTheRangeExceedsOne) {
  form.ScrollBar1->SetValue(123.7);
  EXPECT_EQ(form.Image1->Y(), 68 - 123);
  UsePicture(802, 300);
  SetOuterSize(834, 639);
  form.ScrollBar2->SetValue(2);
  EXPECT_EQ(form.Image1->X(), -2);
  UsePicture(801, 300);
  SetOuterSize(834, 640);
  const double left = form.Image1->X();
  form.ScrollBar2->SetValue(1);
  EXPECT_EQ(form.Image1->X(), left);  // a range of 1 moves nothing
}

TEST_F(MainWindowTest, WheelStepsTwentyAndIsClampedToTheRange) {
  form.ScrollBar1->SetValue(5);
  form.Image1MouseWheel(120);
  EXPECT_EQ(form.ScrollBar1->Value(), 0.0);
  EXPECT_EQ(form.Image1->Y(), 68);
  form.ScrollBar1->SetValue(form.ScrollBar1->Max() - 3);
  form.Image1MouseWheel(-1);
  EXPECT_EQ(form.ScrollBar1->Value(), form.ScrollBar1->Max());
  const double value = form.ScrollBar1->Value();
  form.Image1MouseWheel(0);
  EXPECT_EQ(form.ScrollBar1->Value(), value);
}

// Qt turns Alt + wheel into a horizontal turn; every modifier still scrolls down or up by 20, and
// a sideways turn without Alt (a tilted wheel, a touchpad swipe) scrolls nothing.
TEST_F(MainWindowTest, WheelOverThePictureScrollsTwentyWithAnyModifierButNeverSideways) {
  struct Case {
    const char* what;
    Qt::KeyboardModifiers modifiers;
    QPoint turn;
    double value;
  };
  const Case cases[] = {
      {"plain, towards the user", Qt::NoModifier, {0, -120}, 20},
      {"Shift", Qt::ShiftModifier, {0, -120}, 40},
      {"Ctrl", Qt::ControlModifier, {0, -120}, 60},
      {"Alt, horizontal", Qt::AltModifier, {-120, 0}, 80},
      {"Alt, away from the user", Qt::AltModifier, {120, 0}, 60},
      {"no turn", Qt::AltModifier, {0, 0}, 60},
      {"tilted right", Qt::NoModifier, {-120, 0}, 60},
      {"tilted left", Qt::NoModifier, {120, 0}, 60},
      {"tilted right with Shift", Qt::ShiftModifier, {-120, 0}, 60},
      {"diagonal swipe, its vertical part", Qt::NoModifier, {-40, -15}, 80},
  };
  for (const Case& c : cases) {
    const QPointF at(10, 10);
    QWheelEvent wheel(at, form.Image1->mapToGlobal(at), QPoint(), c.turn, Qt::NoButton, c.modifiers, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(form.Image1, &wheel);
    EXPECT_EQ(form.ScrollBar1->Value(), c.value) << c.what;
    EXPECT_EQ(form.Image1->Y(), 68 - c.value) << c.what;
  }
}

TEST_F(MainWindowTest, ResizingAfterScrollingDownPutsThePictureBackAtTheTop) {
  form.ScrollBar1->SetValue(100);
  ASSERT_EQ(form.Image1->Y(), -32);
  SetOuterSize(834, 700);
  EXPECT_EQ(form.Image1->Y(), 68);
}

TEST_F(MainWindowTest, EnlargingAfterScrollingSidewaysLeavesThePictureAtTheLeftEdgeUntilTheNextResize) {
  UsePicture(900, 300);
  SetOuterSize(834, 639);
  form.ScrollBar2->SetValue(30);
  SetOuterSize(1200, 639);
  EXPECT_EQ(form.ScrollBar2->Max(), 1);
  EXPECT_EQ(form.Image1->X(), 0);
  SetOuterSize(1201, 639);
  EXPECT_EQ(form.Image1->X(), (1201 - 33) / 2 - 450);
}

// --- Threshold and colour cascades ---------------------------------------------------------

TEST_F(MainWindowTest, PresetRendersOnceAndMovesTheTrackBar) {
  form.MenuItem27Click();
  EXPECT_EQ(form.renderings, std::vector<float>{13.0f});
  EXPECT_EQ(form.TrackBar1->Value(), 13.0f);
  form.renderings.clear();
  form.MenuItem27Click();
  EXPECT_TRUE(form.renderings.empty());
}

TEST_F(MainWindowTest, ValuesAboveThirtyArePulledBackToTheTrackBarsEnd) {
  form.SpinBox1->SetValue(33);
  EXPECT_EQ(form.renderings, (std::vector<float>{33.0f, 30.0f}));
  EXPECT_EQ(form.SpinBox1->Value(), 30.0f);
  // The value set inside the outer setter's handler is the one the field shows.
  EXPECT_EQ(form.SpinBox1->findChild<QLineEdit*>()->text(), QStringLiteral("30"));
  EXPECT_EQ(form.TrackBar1->Value(), 30.0f);

  form.renderings.clear();
  form.SpinBox1->SetValue(31);  // the track bar already stands at 30
  EXPECT_EQ(form.renderings, std::vector<float>{31.0f});
  EXPECT_EQ(form.SpinBox1->Text(), QStringLiteral("31"));
  EXPECT_EQ(form.TrackBar1->Value(), 30.0f);
}

TEST_F(MainWindowTest, DraggingRendersOnlyWhenTheShownNumberChanges) {
  form.TrackBar1->SetValue(9.4f);
  EXPECT_TRUE(form.renderings.empty());
  EXPECT_EQ(form.SpinBox1->Text(), QStringLiteral("9"));

  form.TrackBar1->SetValue(10.52f);
  EXPECT_EQ(form.renderings, std::vector<float>{10.52f});
  EXPECT_EQ(form.SpinBox1->Text(), QStringLiteral("11"));
  EXPECT_EQ(form.SpinBox1->findChild<QLineEdit*>()->text(), QStringLiteral("11"));

  // A preset whose whole number is already shown changes the value silently.
  form.renderings.clear();
  form.TrackBar1->SetValue(12.7f);
  form.renderings.clear();
  form.MenuItem27Click();
  EXPECT_TRUE(form.renderings.empty());
  EXPECT_EQ(form.SpinBox1->Value(), 13.0f);
  EXPECT_EQ(form.TrackBar1->Value(), 12.7f);
}

// Opening a menu leaves the number typed into the spin box unapplied: a preset then renders once
// with its own value, and what is typed waits for Enter.
TEST_F(MainWindowTest, TypedThresholdWaitsWhileAMenuIsOpen) {
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  QLineEdit& editor = *form.SpinBox1->findChild<QLineEdit*>();
  auto typeThenOpenEdit = [&](const QString& text) {
    editor.setFocus();
    editor.selectAll();
    QTest::keyClicks(&editor, text);
    form.MenuItem24->popup(form.mapToGlobal(QPoint(40, 20)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.MenuItem24));
  };

  typeThenOpenEdit(QStringLiteral("20"));
  EXPECT_TRUE(form.renderings.empty());
  form.MenuItem27->trigger();
  form.MenuItem24->close();
  EXPECT_EQ(form.renderings, std::vector<float>{13.0f});
  EXPECT_EQ(form.SpinBox1->Text(), QStringLiteral("13"));
  EXPECT_EQ(form.TrackBar1->Value(), 13.0f);

  form.renderings.clear();
  typeThenOpenEdit(QStringLiteral("33"));
  form.MenuItem24->close();
  EXPECT_TRUE(form.renderings.empty());
  QTest::keyClick(&editor, Qt::Key_Return);
  EXPECT_EQ(form.renderings, (std::vector<float>{33.0f, 30.0f}));
  EXPECT_EQ(form.SpinBox1->Value(), 30.0f);
  EXPECT_EQ(form.TrackBar1->Value(), 30.0f);
}

TEST_F(MainWindowTest, NewColourRepaintsTheSamePixels) {
  const TBitmap before = ShownSketch(form);
  form.ComboColorBox1->SetColor(0x80FF0000u);
  EXPECT_EQ(form.renderings, std::vector<float>{9.0f});
  const TBitmap after = ShownSketch(form);
  ASSERT_EQ(after.PixelCount(), before.PixelCount());
  for (std::size_t i = 0; i < after.PixelCount(); ++i) {
    ASSERT_EQ(after.Pixels()[i], before.Pixels()[i] == claBlack ? 0x80FF0000u : claWhite) << i;
  }
}

// Only the part of the drawing on screen is drawn, when it is painted: every pixel of the view
// must still be the whole drawing's pixel there, whatever the window's size and scroll position.
TEST_F(MainWindowTest, TheViewShowsExactlyTheDrawingAtEverySizeAndScrollPosition) {
  TBitmap source = ToBitmap(QImage(QStringLiteral(":/tracella/sample.png"))), gray;
  reference::MakeGray(source, gray);
  struct Case {
    int width, height;
    double right, down;  // scroll bar values
    float threshold;
    TAlphaColor line;
  };
  const Case cases[] = {{834, 639, 0, 0, 9, claBlack},         {834, 639, 0, 300, 13, 0xFFC02040u},
                        {500, 400, 150, 517, 6, claBlack},     {1200, 1100, 0, 0, 9, 0xFF00FF00u},
                        {321, 250, 233, 700, 20.5f, claBlack}, {700, 960, 101, 0, 3, 0xFF123456u}};
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.right << ", " << c.down);
    SetOuterSize(c.width, c.height);
    form.ComboColorBox1->SetColor(c.line);
    form.SpinBox1->SetValue(c.threshold);
    form.ScrollBar1->SetValue(c.down);
    form.ScrollBar2->SetValue(c.right);
    TBitmap sketch;
    reference::RenderSketch(gray, c.threshold, c.line, sketch);
    // A grab paints into a picture of its own; the window's own image is painted into directly.
    form.repaint();
    const QImage shots[] = {form.grab().toImage().convertToFormat(QImage::Format_RGB32),
                            form.screen()->grabWindow(form.winId()).toImage().convertToFormat(QImage::Format_RGB32)};
    const QRect view(0, 68, form.ViewportWidth, form.ViewportHeight);
    const QRect visible = view & form.Image1->geometry();
    ASSERT_FALSE(visible.isEmpty());
    for (const QImage& shot : shots)
      for (int y = visible.top(); y <= visible.bottom(); ++y)
        for (int x = visible.left(); x <= visible.right(); ++x)
          ASSERT_EQ(shot.pixel(x, y), sketch.ScanLine(y - form.Image1->y())[x - form.Image1->x()]) << x << ", " << y;
  }
}

TEST_F(MainWindowTest, EachLinkEntryOpensItsAddressOncePerClickAndChangesNothingElse) {
  form.MenuItem27Click();
  QStringList expected;
  for (QAction* entry : form.MenuItem28->actions()) {
    entry->trigger();
    expected << LinkAddress(static_cast<std::size_t>(expected.size()));
  }
  form.MenuItem37->trigger();
  expected << QStringLiteral("http://social.test/Tracella");
  EXPECT_EQ(platform.urls, expected);
  EXPECT_EQ(platform.urls.front(), QStringLiteral("http://social.test/Moravel"));
  EXPECT_EQ(form.SpinBox1->Value(), 13.0f);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Tracella"));
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
  form.MenuItem23Click();
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace tracella
