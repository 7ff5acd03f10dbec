#include "DragEdit.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

// The first dropped item when it is a local file or folder; empty otherwise.
QString FirstLocalPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.isEmpty() || !urls.constFirst().isLocalFile()) return {};
  return QDir::cleanPath(urls.constFirst().toLocalFile());
}

}  // namespace

TDragEdit::TDragEdit(QWidget* parent) : QLineEdit(parent) {}

void TDragEdit::SetAcceptFiles(bool accept) {
  m_acceptFiles = accept;
  setAcceptDrops(true);  // plain text drops stay as the line edit has them
}

void TDragEdit::dragEnterEvent(QDragEnterEvent* event) {
  if (m_acceptFiles && !FirstLocalPath(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
    return;
  }
  QLineEdit::dragEnterEvent(event);
}

void TDragEdit::dragMoveEvent(QDragMoveEvent* event) {
  if (m_acceptFiles && !FirstLocalPath(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
    return;
  }
  QLineEdit::dragMoveEvent(event);
}

void TDragEdit::dropEvent(QDropEvent* event) {
  const QString path = m_acceptFiles ? FirstLocalPath(event->mimeData()) : QString();
  if (path.isEmpty()) {
    QLineEdit::dropEvent(event);
    return;
  }
  event->acceptProposedAction();
  if (OnDropFile) OnDropFile(this, path);
}
