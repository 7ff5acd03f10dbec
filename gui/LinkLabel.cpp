#include "LinkLabel.h"

#include <QMouseEvent>

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
  QFont linkFont = font();
  linkFont.setUnderline(true);
  setFont(linkFont);
  setCursor(Qt::PointingHandCursor);
  TakeLinkColour();
}

void TLinkLabel::TakeLinkColour() {
  QPalette linkPalette = palette();
  linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
  setPalette(linkPalette);
}

// A new theme brings a new palette, and with it a new link colour.
void TLinkLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && !m_settingPalette) {
    m_settingPalette = true;
    TakeLinkColour();
    m_settingPalette = false;
  }
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      OnClick) {
    OnClick();
  }
}
