#pragma once

#include <QStringList>
#include <QTreeWidget>
#include <functional>

class QMimeData;

// The batch page's list of files: a flat, report-style list that also takes
// files and folders dropped from the desktop, every local path of a drop at
// once, in the drop's order, through OnDropFiles. Paths are drawn with
// their file names whole. A locked list takes no drop.
class TFileList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TFileList(QWidget* parent = nullptr);

  std::function<void(const QStringList& paths)> OnDropFiles;

  void SetLocked(bool locked) { m_locked = locked; }
  bool Locked() const { return m_locked; }

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
  // The local paths of a drag the list would take now; empty when none.
  QStringList Droppable(const QMimeData* data) const;

  QList<int> m_designColumns;
  int m_designWidth = 0;
  bool m_fitting = false;    // the columns are being fitted, not dragged
  bool m_userSized = false;  // the user dragged a column
  bool m_locked = false;
};
