#include "PathItemDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

QString TPathItemDelegate::ElidePath(const QFontMetrics& metrics, const QString& path, int width) {
  if (metrics.horizontalAdvance(path) <= width) return path;
  const qsizetype slash = path.lastIndexOf(u'/');
  const QString name = path.mid(slash + 1);
  const QString folder = path.left(slash + 1);
  const int room = width - metrics.horizontalAdvance(name);
  if (slash < 0 || room < metrics.horizontalAdvance(QStringLiteral("…/"))) {
    return metrics.elidedText(name, Qt::ElideMiddle, width);
  }
  return metrics.elidedText(folder, Qt::ElideLeft, room) + name;
}

void TPathItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->text.isEmpty()) return;
  const QWidget* widget = option->widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  // The style draws the text inside its rectangle with a margin each side.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  const int width = style->subElementRect(QStyle::SE_ItemViewItemText, option, widget).width() - 2 * margin;
  option->text = ElidePath(option->fontMetrics, option->text, width);
}
