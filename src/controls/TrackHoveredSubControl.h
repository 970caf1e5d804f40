#pragma once

#include <QHoverEvent>
#include <QStyle>
#include <QWidget>

namespace tracella {

// Styles light up the part of a complex control under the pointer: on a hover event, keep
// `hovered` on the part that hitTest finds there (none once the pointer has left) and repaint
// the widget when it changed.
template <typename HitTest>
void TrackHoveredSubControl(const QEvent& event, QStyle::SubControl& hovered, QWidget& widget, HitTest hitTest) {
  QStyle::SubControl now = QStyle::SC_None;
  switch (event.type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
      now = hitTest(static_cast<const QHoverEvent&>(event).position().toPoint());
      break;
    case QEvent::HoverLeave:
      break;
    default:
      return;
  }
  if (now == hovered) return;
  hovered = now;
  widget.update();
}

}  // namespace tracella
