#include "LinkLabel.h"

#include <QMouseEvent>

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
  QFont linkFont = font();
  linkFont.setUnderline(true);
  setFont(linkFont);
  QPalette linkPalette = palette();
  linkPalette.setColor(QPalette::WindowText, Qt::blue);
  setPalette(linkPalette);
  setCursor(Qt::PointingHandCursor);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      OnClick) {
    OnClick();
  }
}
