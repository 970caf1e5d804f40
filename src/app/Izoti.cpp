#include "Izoti.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <utility>

#include "FitPicture.h"
#include "Guard.h"
#include "Links.h"
#include "Platform.h"

namespace tracella {

namespace {

constexpr const char* Compiler() {
#if defined(__clang__)
  return "Clang " __clang_version__;
#elif defined(__GNUC__)
  return "GCC " __VERSION__;
#else
  return "an unknown compiler";
#endif
}

template <typename Control, typename... Arguments>
Control* Place(QWidget* parent, QRect geometry, Arguments&&... arguments) {
  auto* control = new Control(std::forward<Arguments>(arguments)..., parent);
  control->setGeometry(geometry);
  return control;
}

QPushButton* PlaceButton(QWidget* parent, QRect geometry, const QString& text) {
  auto* button = Place<QPushButton>(parent, geometry, text);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace

// Created in tab order: group box, OK, Donate (Qt 6.4's setTabOrder cannot move the last widget
// of a window's chain, so the order is not fixed up afterwards). Each later control lies above
// the earlier ones.
TForm2::TForm2(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      Image1(Place<FitPicture>(this, {0, 0, 256, 256}, QStringLiteral(":/tracella/emblem.png"))),
      Image2(Place<FitPicture>(this, {264, 16, 330, 120}, QStringLiteral(":/tracella/wordmark.png"))),
      GroupBox1(Place<QGroupBox>(this, {264, 142, 329, 83}, QStringLiteral("About"))),
      Label1(Place<QLabel>(GroupBox1, {8, 16, 313, 17}, QStringLiteral("Tracella   V.1.2"))),
      Label2(Place<QLabel>(GroupBox1, {8, 32, 313, 17},
                           QStringLiteral("Built with Qt %1 and %2").arg(QT_VERSION_STR, Compiler()))),
      Label3(Place<QLabel>(GroupBox1, {8, 48, 313, 17}, QStringLiteral("Copyright (C) 2026 Tracella developers"))),
      Label4(Place<QLabel>(GroupBox1, {8, 64, 120, 17},
                           QString::fromLatin1(ContactAddress.data(), static_cast<qsizetype>(ContactAddress.size())))),
      Button1(PlaceButton(this, {264, 234, 113, 22}, QStringLiteral("OK"))),
      Button2(PlaceButton(this, {384, 234, 209, 22}, QStringLiteral("Donate with Paypal."))),
      platform_(platform) {
  setWindowTitle(QStringLiteral("About Tracella"));
  setFixedSize(605, 268);
  Button1->raise();  // OK lies above Donate, while it comes first in the tab order
  connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
  connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
}

void TForm2::Show() {
  if (!placed_) {  // only the first show centres; later ones keep where the window was left
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
    placed_ = true;
  }
  show();
  raise();
  activateWindow();
}

void TForm2::Hide() { hide(); }

void TForm2::Button1Click() { Hide(); }

void TForm2::Button2Click() { platform_.OpenUrl(DonationAddress()); }

void TForm2::closeEvent(QCloseEvent* event) {
  Guarded([this] { Hide(); });
  event->accept();
}

}  // namespace tracella
