#include "FileList.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QResizeEvent>
#include <QUrl>
#include <algorithm>

#include "PathItemDelegate.h"

QStringList TFileList::Droppable(const QMimeData* data) const {
  QStringList paths;
  if (m_locked || data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths << QDir::cleanPath(url.toLocalFile());
  }
  return paths;
}

TFileList::TFileList(QWidget* parent) : QTreeWidget(parent) {
  setAcceptDrops(true);
  setDropIndicatorShown(false);
  auto* paths = new TPathItemDelegate(this);
  setItemDelegateForColumn(0, paths);
  setItemDelegateForColumn(1, paths);
  // A width the user drags is kept; the list's own fitting is not the user's.
  connect(header(), &QHeaderView::sectionResized, this, [this] {
    if (!m_fitting && !m_designColumns.isEmpty()) m_userSized = true;
  });
}

void TFileList::dragEnterEvent(QDragEnterEvent* event) {
  if (Droppable(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TFileList::dragMoveEvent(QDragMoveEvent* event) {
  if (Droppable(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TFileList::dropEvent(QDropEvent* event) {
  const QStringList paths = Droppable(event->mimeData());
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
