#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

// Draws a path in a column too narrow for it with its file name whole and
// its folder shortened from the left ("…/folder/name.pdf"), so that files
// in one folder stay told apart; the name itself is shortened only when it
// alone does not fit.
class TPathItemDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  static QString ElidePath(const QFontMetrics& metrics, const QString& path, int width);

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
