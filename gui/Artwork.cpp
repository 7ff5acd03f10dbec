#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "GuiStrings.h"

QPixmap AppIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);
  QPainterPath sheet;
  sheet.moveTo(6, 2);
  sheet.lineTo(20, 2);
  sheet.lineTo(27, 9);
  sheet.lineTo(27, 30);
  sheet.lineTo(6, 30);
  sheet.closeSubpath();
  painter.setPen(QPen(QColor(90, 90, 90), 1.2));
  painter.setBrush(Qt::white);
  painter.drawPath(sheet);
  painter.setBrush(QColor(210, 210, 210));
  painter.drawPolygon(QPolygonF({QPointF(20, 2), QPointF(20, 9), QPointF(27, 9)}));
  painter.setBrush(QColor(200, 30, 30));
  painter.setPen(Qt::NoPen);
  painter.drawRect(QRectF(9, 6, 8, 4));
  painter.setPen(QPen(QColor(20, 150, 40), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPolyline(QPolygonF({QPointF(10, 19), QPointF(15, 24), QPointF(24, 13)}));
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}

TBanner::TBanner(QWidget* parent) : QWidget(parent) {}

void TBanner::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, width(), 0);
  gradient.setColorAt(0.0, QColor(28, 62, 120));
  gradient.setColorAt(1.0, QColor(120, 160, 215));
  painter.fillRect(rect(), gradient);
  painter.drawPixmap(14, (height() - 40) / 2, AppIconPixmap(40));

  QFont titleFont = font();
  titleFont.setPointSize(17);
  titleFont.setBold(true);
  painter.setFont(titleFont);
  painter.setPen(Qt::white);
  painter.drawText(QRect(64, 4, width() - 72, 32), Qt::AlignLeft | Qt::AlignVCenter,
                   GuiString(idsAppTitle));
  painter.setFont(font());
  painter.setPen(QColor(225, 235, 250));
  painter.drawText(QRect(66, 34, width() - 72, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   GuiString(idsBannerTagline));
}
