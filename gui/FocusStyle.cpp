#include "FocusStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>

#include "DesktopStyle.h"

namespace {

constexpr int kFocusInset = 3;

}  // namespace

// A fresh instance of the application's style: a proxy owns its base.
TFocusStyle::TFocusStyle() : QProxyStyle(QStyleFactory::create(ApplicationStyleName())) {}

void TFocusStyle::drawControl(ControlElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
  QProxyStyle::drawControl(element, option, painter, widget);
  if (element != CE_TabBarTabLabel || !(option->state & State_HasFocus)) return;
  painter->save();
  painter->setPen(QPen(option->palette.color(QPalette::Highlight), 1, Qt::DotLine));
  painter->setBrush(Qt::NoBrush);
  painter->drawRect(option->rect.adjusted(kFocusInset, kFocusInset, -kFocusInset - 1,
                                          -kFocusInset - 1));
  painter->restore();
}

// The log's frame takes the highlight colour while it has the focus; a
// style sheet rule for the focused state alone leaves its usual look alone.
void ShowFocusOf(QTabWidget* pages, QPlainTextEdit* log) {
  auto* style = new TFocusStyle;
  style->setParent(pages);
  pages->tabBar()->setStyle(style);
  log->setStyleSheet(QStringLiteral("QPlainTextEdit:focus { border: 2px solid palette(highlight); }"));
}
