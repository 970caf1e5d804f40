#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <stdexcept>

#include "ApplicationIcon.h"
#include "FakePlatform.h"
#include "FitPicture.h"
#include "Izoti.h"
#include "Links.h"

namespace tracella {
namespace {

TEST(Links, NineSocialAddressesInMenuOrderWithVelmoraSwapped) {
  const QStringList expected{
      "http://social.test/Moravel", "http://social.test/Quisten",  "http://social.test/Darrow",
      "http://social.test/Frondel", "http://social.test/Maskelo",  "http://social.test/Tiberne",
      "http://social.test/Olvash",  "http://social.test/Tracella", "http://social.test/Pennica",
  };
  // The entries' texts, in the same order, are MainWindowTest.MenusHoldTheirEntriesInOrder's.
  ASSERT_EQ(Links.size(), 9u);
  for (std::size_t i = 0; i < Links.size(); ++i) EXPECT_EQ(LinkAddress(i), expected[static_cast<qsizetype>(i)]);
  EXPECT_THROW(LinkAddress(9), std::out_of_range);
}

TEST(Links, DonationAddressIsOnTheMakersSite) { EXPECT_EQ(DonationAddress(), "http://tracella.test/donate.html"); }

TEST(FitPicture, ShrinksKeepingProportionsNeverEnlargesAndCentres) {
  struct Case {
    QSizeF picture, control;
    QRectF expected;
  };
  const Case cases[] = {
      {{256, 256}, {256, 256}, {0, 0, 256, 256}},                                            // exact fit: 1:1
      {{332, 117}, {330, 120}, {0, (120 - 117 * 330.0 / 332) / 2, 330, 117 * 330.0 / 332}},  // too wide
      {{100, 300}, {200, 150}, {75, 0, 50, 150}},                                            // too tall
      {{100, 50}, {330, 120}, {115, 35, 100, 50}},                                           // small: kept, centred
  };
  for (const Case& c : cases) {
    const QRectF r = FitPicture::FitRect(c.picture, c.control);
    EXPECT_DOUBLE_EQ(r.x(), c.expected.x());
    EXPECT_DOUBLE_EQ(r.y(), c.expected.y());
    EXPECT_DOUBLE_EQ(r.width(), c.expected.width());
    EXPECT_DOUBLE_EQ(r.height(), c.expected.height());
  }
}

TEST(ApplicationIcon, HoldsAllSevenSizes) {
  const QList<QSize> sizes = ApplicationIcon().availableSizes();
  for (const int n : {256, 128, 64, 48, 32, 24, 16}) EXPECT_TRUE(sizes.contains(QSize(n, n))) << n;
}

class AboutWindow : public ::testing::Test {
 protected:
  AboutWindow() { mainWindow.show(); }

  FakePlatform platform;
  QWidget mainWindow;
  TForm2 about{platform, &mainWindow};
};

TEST_F(AboutWindow, IsAFixedToolWindowAboveTheMainWindow) {
  EXPECT_EQ(about.windowTitle(), "About Tracella");
  EXPECT_TRUE(about.isWindow());
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.size(), QSize(605, 268));
  EXPECT_EQ(about.minimumSize(), about.maximumSize());
  EXPECT_EQ(about.windowType(), Qt::Tool);
  EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(about.parentWidget(), &mainWindow);
}

TEST_F(AboutWindow, ControlsSitBackToFrontWithTheirTextsAndPictures) {
  struct Row {
    QWidget* control;
    QWidget* parent;
    QRect geometry;
  };
  const Row rows[] = {
      {about.Image1, &about, {0, 0, 256, 256}},          {about.Image2, &about, {264, 16, 330, 120}},
      {about.GroupBox1, &about, {264, 142, 329, 83}},    {about.Label1, about.GroupBox1, {8, 16, 313, 17}},
      {about.Label2, about.GroupBox1, {8, 32, 313, 17}}, {about.Label3, about.GroupBox1, {8, 48, 313, 17}},
      {about.Label4, about.GroupBox1, {8, 64, 120, 17}}, {about.Button2, &about, {384, 234, 209, 22}},
      {about.Button1, &about, {264, 234, 113, 22}},
  };
  qsizetype lastIndex = -1;
  for (const Row& row : rows) {
    EXPECT_EQ(row.control->parentWidget(), row.parent) << row.control->metaObject()->className();
    EXPECT_EQ(row.control->geometry(), row.geometry) << row.control->metaObject()->className();
    if (row.parent == &about) {  // children are painted in creation order: back to front
      const qsizetype index = about.children().indexOf(row.control);
      EXPECT_GT(index, lastIndex);
      lastIndex = index;
    }
  }
  EXPECT_EQ(about.Image1->Picture().size(), QSize(256, 256));
  EXPECT_EQ(about.Image2->Picture().size(), QSize(332, 117));
  EXPECT_TRUE(about.Image1->Picture().hasAlphaChannel());
  EXPECT_TRUE(about.Image2->Picture().hasAlphaChannel());
  EXPECT_EQ(about.GroupBox1->title(), "About");
  EXPECT_EQ(about.Label1->text(), "Tracella   V.1.2");
  EXPECT_TRUE(about.Label2->text().startsWith("Built with Qt " QT_VERSION_STR " and "));
  EXPECT_EQ(about.Label4->text(), "info@tracella.test");
  for (const QLabel* label : {about.Label1, about.Label2, about.Label3, about.Label4})  // nothing clipped
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
  EXPECT_EQ(about.Button1->text(), "OK");
  EXPECT_EQ(about.Button2->text(), "Donate with Paypal.");
  for (const QPushButton* button : {about.Button1, about.Button2}) {
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
  }
}

TEST_F(AboutWindow, FirstShowCentresOnTheScreen) {
  about.Show();
  EXPECT_TRUE(about.isVisible());
  const QPoint offCentre = about.geometry().center() - about.screen()->availableGeometry().center();
  EXPECT_LE(offCentre.manhattanLength(), 1);  // half of an odd width rounds
}

TEST_F(AboutWindow, ShowingAVisibleWindowAgainNeitherDuplicatesNorMovesIt) {
  about.Show();
  about.move(40, 50);
  const QPoint placed = about.pos();
  about.Show();
  EXPECT_TRUE(about.isVisible());
  EXPECT_EQ(about.pos(), placed);
  int aboutWindows = 0;
  for (const QWidget* w : QApplication::topLevelWidgets())
    if (dynamic_cast<const TForm2*>(w) != nullptr && w->isVisible()) ++aboutWindows;
  EXPECT_EQ(aboutWindows, 1);
}

TEST_F(AboutWindow, OkAndTheCloseBoxHideAndTheWindowReopensWhereItWasLeft) {
  int lastWindowClosed = 0;
  QObject::connect(qApp, &QGuiApplication::lastWindowClosed, [&] { ++lastWindowClosed; });
  for (const auto& dismiss : {std::function<void()>([&] { about.Button1->click(); }),
                              std::function<void()>([&] { EXPECT_TRUE(about.close()); })}) {
    about.Show();
    about.move(about.pos() + QPoint(37, -21));
    const QPoint moved = about.pos();
    dismiss();
    EXPECT_FALSE(about.isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
    about.Show();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(about.pos(), moved);
    about.Hide();
  }
  EXPECT_EQ(lastWindowClosed, 0);
}

TEST_F(AboutWindow, TabMovesFromOkToDonate) {
  QList<QWidget*> tabStops;
  for (QWidget* w = about.nextInFocusChain(); w != &about; w = w->nextInFocusChain())
    if (w->focusPolicy() & Qt::TabFocus) tabStops << w;
  EXPECT_EQ(tabStops, QList<QWidget*>({about.Button1, about.Button2}));

  about.Show();
  about.Button1->setFocus();
  ASSERT_EQ(about.focusWidget(), about.Button1);
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
  QApplication::sendEvent(about.Button1, &tab);
  EXPECT_EQ(about.focusWidget(), about.Button2);
}

TEST_F(AboutWindow, EachDonateClickOpensTheDonationPageOnceAndKeepsTheWindowOpen) {
  about.Show();
  about.Button2->click();
  about.Button2->click();
  EXPECT_EQ(platform.urls, QStringList({"http://tracella.test/donate.html", "http://tracella.test/donate.html"}));
  EXPECT_TRUE(about.isVisible());
}

}  // namespace
}  // namespace tracella
