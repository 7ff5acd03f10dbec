#include "FileList.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QResizeEvent>
#include <QUrl>
#include <algorithm>

namespace {

QStringList DroppedFiles(const QMimeData* data) {
  QStringList paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = QDir::cleanPath(url.toLocalFile());
    if (!QFileInfo(path).isDir()) paths << path;
  }
  return paths;
}

}  // namespace

TFileList::TFileList(QWidget* parent) : QTreeWidget(parent) {
  setAcceptDrops(true);
  setDropIndicatorShown(false);
}

void TFileList::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TFileList::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TFileList::dropEvent(QDropEvent* event) {
  const QStringList paths = DroppedFiles(event->mimeData());
  if (paths.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  if (OnDropFiles) OnDropFiles(paths);
}

void TFileList::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  if (!event->oldSize().isValid() || columnCount() < 2) return;
  const int grown = event->size().width() - event->oldSize().width();
  setColumnWidth(0, std::max(header()->minimumSectionSize(), columnWidth(0) + grown / 2));
  setColumnWidth(1, std::max(header()->minimumSectionSize(), columnWidth(1) + grown - grown / 2));
}
