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
  // A width the user drags is kept; the list's own fitting is not the user's.
  connect(header(), &QHeaderView::sectionResized, this, [this] {
    if (!m_fitting && !m_designColumns.isEmpty()) m_userSized = true;
  });
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

void TFileList::SetDesignColumns(const QList<int>& widths) {
  m_designColumns = widths;
  m_designWidth = width();
  FitColumns();
}

void TFileList::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  // Columns the user has dragged keep their widths.
  if (!m_userSized) FitColumns();
}

void TFileList::FitColumns() {
  m_fitting = true;
  const int grown = std::max(0, width() - m_designWidth);
  for (int column = 0; column < m_designColumns.size(); ++column) {
    const int share = column == 0 ? grown / 2 : column == 1 ? grown - grown / 2 : 0;
    setColumnWidth(column, m_designColumns.at(column) + share);
  }
  m_fitting = false;
}
