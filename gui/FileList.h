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

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
};
