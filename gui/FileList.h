#pragma once

#include <QStringList>
#include <QTreeWidget>
#include <functional>

// The batch page's list of files: a flat, report-style list that also takes
// files dropped from the desktop, every local file of a drop at once, in
// the drop's order, through OnDropFiles. Folders in a drop are left out.
class TFileList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TFileList(QWidget* parent = nullptr);

  std::function<void(const QStringList& paths)> OnDropFiles;

  // Sets the columns' widths and takes them, with the list's width, as the
  // design from which the path columns grow.
  void SetDesignColumns(const QList<int>& widths);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FitColumns();

  QList<int> m_designColumns;
  int m_designWidth = 0;
  bool m_fitting = false;    // the columns are being fitted, not dragged
  bool m_userSized = false;  // the user dragged a column
};
