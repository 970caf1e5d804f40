#include <gtest/gtest.h>

#include <QColor>
#include <QLineEdit>
#include <QTest>
#include <vector>

#include "CaseName.h"
#include "ColorPopup.h"
#include "TComboColorBox.h"

namespace tracella {
namespace {

// The window's colour box: no alpha control, every OnChange recorded with the colour seen.
struct RecordedColorBox {
  explicit RecordedColorBox(TAlphaColor start, bool useAlpha = false) {
    box.resize(60, 22);
    box.SetUseAlpha(useAlpha);
    box.SetColor(start);
    box.OnChange = [this] { events.push_back(box.Color()); };
  }
  // The popup has no meta-object of its own to find it by; it is the box's only child widget.
  ColorPopup& Popup() { return *static_cast<ColorPopup*>(box.findChild<QWidget*>({}, Qt::FindDirectChildrenOnly)); }
  void Open() { QTest::mouseClick(&box, Qt::LeftButton); }
  void Click(QPoint at) { QTest::mouseClick(&Popup(), Qt::LeftButton, {}, at); }
  void Type(const QString& text) {
    QLineEdit& field = *Popup().TextField();
    field.selectAll();
    QTest::keyClicks(&field, text);
    QTest::keyClick(&field, Qt::Key_Return);
  }

  TComboColorBox box;
  std::vector<TAlphaColor> events;
};

TEST(TComboColorBox, SetColorRaisesForEveryChangeOnly) {
  RecordedColorBox combo(claBlack);
  combo.box.SetColor(claBlack);
  combo.box.SetColor(0xFFFF0000);
  combo.box.SetColor(0x80FF0000);
  combo.box.SetColor(0x80FF0000);
  EXPECT_EQ(combo.events, (std::vector<TAlphaColor>{0xFFFF0000, 0x80FF0000}));
  EXPECT_EQ(combo.Popup().TextField()->text(), "#80FF0000");
}

TEST(TComboColorBox, LeftButtonOpensTheDropDownOthersDoNot) {
  RecordedColorBox combo(claBlack);
  QTest::mouseClick(&combo.box, Qt::RightButton);
  EXPECT_FALSE(combo.Popup().isVisible());
  combo.Open();
  EXPECT_TRUE(combo.Popup().isVisible());
  EXPECT_TRUE(combo.Popup().windowFlags().testFlag(Qt::Popup));
  QTest::keyClick(&combo.Popup(), Qt::Key_Escape);
  EXPECT_FALSE(combo.Popup().isVisible());
  EXPECT_TRUE(combo.events.empty());
}

TEST(TComboColorBox, AlphaControlOnlyWithUseAlpha) {
  RecordedColorBox without(claBlack, false);
  EXPECT_TRUE(without.Popup().AlphaRect().isEmpty());
  RecordedColorBox with(claBlack, true);
  ASSERT_FALSE(with.Popup().AlphaRect().isEmpty());
  with.Open();
  const QRect alpha = with.Popup().AlphaRect();
  with.Click(QPoint(alpha.center().x(), alpha.bottom()));  // the strip fades out downwards
  EXPECT_EQ(with.box.Color(), 0x00000000u);
}

// The square runs from grey (left) to full saturation (right) and from white (top) to black
// (bottom); the strip beside it chooses the hue. A pick keeps the current alpha.
TEST(TComboColorBox, MousePicksFollowTheSquareAndStripAndKeepAlpha) {
  RecordedColorBox combo(0x80FF0000);  // half-transparent red
  combo.Open();
  ColorPopup& popup = combo.Popup();
  const QRect square = popup.SquareRect();
  const QRect hue = popup.HueRect();

  combo.Click(square.topLeft());
  EXPECT_EQ(combo.box.Color(), 0x80FFFFFFu);
  combo.Click(square.bottomRight());
  EXPECT_EQ(combo.box.Color(), 0x80000000u);
  combo.Click(QPoint(square.right(), square.center().y()));
  const QColor vivid = QColor::fromRgba(combo.box.Color());
  EXPECT_EQ(vivid.alpha(), 0x80);
  EXPECT_EQ(vivid.hslHue(), 0) << "a pick in the square keeps red's hue, also after white and black";
  EXPECT_GT(vivid.hslSaturation(), 250);

  combo.Click(QPoint(hue.center().x(), hue.top() + hue.height() / 3));
  const QColor green = QColor::fromRgba(combo.box.Color());
  EXPECT_NEAR(green.hslHue(), 120, 3);
  EXPECT_EQ(green.alpha(), 0x80);
  combo.Click(QPoint(hue.center().x(), hue.bottom()));  // the strip runs round to red again
  EXPECT_EQ(QColor::fromRgba(combo.box.Color()).hslHue(), 0);
  EXPECT_EQ(combo.events.size(), 5u);
  EXPECT_EQ(combo.events.back(), combo.box.Color());
}

TEST(TComboColorBox, DraggingInTheSquareRaisesForEveryColourChange) {
  RecordedColorBox combo(0xFFFF0000);
  combo.Open();
  const QRect square = combo.Popup().SquareRect();
  QTest::mousePress(&combo.Popup(), Qt::LeftButton, {}, square.topLeft());
  for (int x = 1; x <= 10; ++x) QTest::mouseMove(&combo.Popup(), square.topLeft() + QPoint(x, x));
  QTest::mouseMove(&combo.Popup(), square.topLeft() + QPoint(300, 300));  // held outside: clamped
  QTest::mouseRelease(&combo.Popup(), Qt::LeftButton, {}, square.topLeft() + QPoint(300, 300));
  EXPECT_EQ(combo.events.size(), 12u);
  EXPECT_EQ(combo.box.Color(), 0xFF000000u);
  for (std::size_t i = 1; i < combo.events.size(); ++i) EXPECT_NE(combo.events[i], combo.events[i - 1]);
}

TEST(TComboColorBox, EscapeInTheTextFieldClosesAndKeepsTheColour) {
  RecordedColorBox combo(claBlack);
  combo.Open();
  QLineEdit& field = *combo.Popup().TextField();
  field.setFocus();
  ASSERT_TRUE(field.hasFocus());
  field.selectAll();
  QTest::keyClicks(&field, QStringLiteral("#FFFF0000"));
  QTest::keyClick(&field, Qt::Key_Escape);
  EXPECT_FALSE(combo.Popup().isVisible());
  EXPECT_EQ(combo.box.Color(), claBlack);
  EXPECT_TRUE(combo.events.empty());
  combo.Open();
  EXPECT_EQ(field.text(), QStringLiteral("#FF000000"));
}

struct TypedCase {
  const char* text;
  TAlphaColor color;
  const char* shown;
};

void PrintTo(const TypedCase& c, std::ostream* out) {
  *out << "typed \"" << c.text << "\": colour " << QColor::fromRgba(c.color).name(QColor::HexArgb).toStdString()
       << ", shown \"" << c.shown << "\"";
}

class TComboColorBoxTyped : public testing::TestWithParam<TypedCase> {};

TEST_P(TComboColorBoxTyped, TextCarriesItsOwnAlphaAndNonsenseRestoresTheColour) {
  const TypedCase c = GetParam();
  RecordedColorBox combo(claBlack);
  combo.Open();
  combo.Type(c.text);
  EXPECT_EQ(combo.box.Color(), c.color);
  EXPECT_EQ(combo.Popup().TextField()->text(), c.shown);
  EXPECT_EQ(combo.events, c.color == claBlack ? std::vector<TAlphaColor>{} : std::vector<TAlphaColor>{c.color});
}

INSTANTIATE_TEST_SUITE_P(
    Table, TComboColorBoxTyped,
    testing::Values(TypedCase{"#80FF0000", 0x80FF0000, "#80FF0000"}, TypedCase{"#00ff00", 0xFF00FF00, "#FF00FF00"},
                    TypedCase{"steelblue", 0xFF4682B4, "#FF4682B4"}, TypedCase{"transparent", 0x00000000, "#00000000"},
                    TypedCase{"80ff0000", 0x80FF0000, "#80FF0000"}, TypedCase{"#000", claBlack, "#FF000000"},
                    TypedCase{"not a colour", claBlack, "#FF000000"}, TypedCase{"#12345", claBlack, "#FF000000"},
                    TypedCase{"", claBlack, "#FF000000"}),
    [](const testing::TestParamInfo<TypedCase>& param) { return CaseName(param.param.text); });

}  // namespace
}  // namespace tracella
