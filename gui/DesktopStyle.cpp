#include "DesktopStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

bool IsDark(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

QColor Halfway(const QColor& from, const QColor& to) {
  return QColor((from.red() + to.red()) / 2, (from.green() + to.green()) / 2, (from.blue() + to.blue()) / 2);
}

}  // namespace

// A fresh instance of the application's style: a proxy owns its base.
TDesktopStyle::TDesktopStyle() : QProxyStyle(QStyleFactory::create(ApplicationStyleName())) {}

void TDesktopStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const {
  QProxyStyle::drawPrimitive(element, option, painter, widget);
  if (element != PE_IndicatorCheckBox || !IsDark(option->palette)) return;
  // The palette's current group: a disabled box keeps a disabled look.
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setPen(Halfway(option->palette.color(QPalette::Window), option->palette.color(QPalette::WindowText)));
  painter->setBrush(Qt::NoBrush);
  painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
  painter->restore();
}

void UseDesktopStyle() {
  QApplication::setStyle(new TDesktopStyle);
}

QString ApplicationStyleName() {
  const QStyle* style = QApplication::style();
  while (const auto* proxy = qobject_cast<const QProxyStyle*>(style)) style = proxy->baseStyle();
  return style->name();
}
