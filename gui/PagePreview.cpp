#include "PagePreview.h"

#include "FreedMemory.h"

#include <poppler-qt6.h>

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QCoreApplication>
#include <QPromise>
#include <QScreen>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrent>
#include <algorithm>
#include <memory>

#include "GuiStrings.h"
#include "TextFormat.h"

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr int kThumbnailSpacing = 12;
const QSize kWindowSize(760, 560);

// A locked (encrypted) file counts as one that cannot be opened: its pages
// cannot be read without the password.
std::unique_ptr<Poppler::Document> OpenDocument(const QString& path) {
  std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
  if (document == nullptr || document->isLocked()) return nullptr;
  document->setRenderHint(Poppler::Document::Antialiasing);
  document->setRenderHint(Poppler::Document::TextAntialiasing);
  return document;
}

// Only so many pages are drawn: the thumbnails stay in memory while the
// window is open, and a damaged file may have tens of thousands of pages.
constexpr int kMostThumbnails = 200;

// Poppler works on threads of its own: the shared pool also paints the
// window, which must never wait behind a slow page. The application waits
// for them when it ends, which a cancelled drawing makes short.
QThreadPool& PopplerThreads() {
  static QPointer<QThreadPool> pool;
  if (pool == nullptr) {
    pool = new QThreadPool(QCoreApplication::instance());
    pool->setMaxThreadCount(2);
  }
  return *pool;
}

bool Cancelled(const QVariant& promise) { return static_cast<QPromise<PreviewItem>*>(promise.value<void*>())->isCanceled(); }

// The page fits the thumbnail's box whatever its shape: a damaged media box
// may be a thousand times taller than wide. A white page on a light list
// needs an edge to be seen as a page.
// A closed preview stops drawing within the page.
QImage RenderThumbnail(const Poppler::Page& page, int width, QPromise<PreviewItem>& promise) {
  const QSizeF points = page.pageSizeF();
  if (points.width() <= 0 || points.height() <= 0) return {};
  const double height = width * double{TPreviewWindow::kThumbnailHeight} / TPreviewWindow::kThumbnailWidth;
  const double dpi = kPointsPerInch * std::min(width / points.width(), height / points.height());
  QImage image = page.renderToImage(dpi, dpi, -1, -1, -1, -1, Poppler::Page::Rotate0, nullptr, nullptr, &Cancelled,
                                    QVariant::fromValue(static_cast<void*>(&promise)));
  if (image.isNull()) return image;
  QPainter edge(&image);
  edge.setPen(QColor(0x80, 0x80, 0x80));
  edge.drawRect(image.rect().adjusted(0, 0, -1, -1));
  return image;
}

// Runs on a worker thread; a cancelled future ends it.
void RenderPages(QPromise<PreviewItem>& promise, const QString& path, int width) {
  const std::unique_ptr<Poppler::Document> document = OpenDocument(path);
  const int count = document == nullptr ? -1 : document->numPages();
  promise.addResult(PreviewItem{-1, count, {}});
  for (int page = 0; page < std::min(count, kMostThumbnails) && !promise.isCanceled(); ++page) {
    const std::unique_ptr<Poppler::Page> source = document->page(page);
    QImage image = source == nullptr ? QImage() : RenderThumbnail(*source, width, promise);
    promise.addResult(PreviewItem{page, count, std::move(image)});
  }
}

void RenderPreview(QPromise<PreviewItem>& promise, const QString& path, int width) {
  RenderPages(promise, path, width);
  ReturnFreedMemory();  // the document and its pages are gone
}

// Every thumbnail is drawn centred on a canvas of the whole icon box: the
// list gives all its items the size of one of them, and a page of another
// shape (a landscape or rotated one, a tiny one) must not cut the others
// or their captions.
QPixmap OnIconBox(const QImage& page, const QSize& box, qreal ratio) {
  QImage canvas(box * ratio, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  canvas.setDevicePixelRatio(ratio);
  if (!page.isNull()) {
    QImage shown = page;
    shown.setDevicePixelRatio(ratio);
    const QSizeF size = shown.deviceIndependentSize();
    QPainter painter(&canvas);
    painter.drawImage(QPointF((box.width() - size.width()) / 2, (box.height() - size.height()) / 2), shown);
  }
  return QPixmap::fromImage(canvas);
}

}  // namespace

void CountPagesLater(const QString& path, QObject* context, std::function<void(int)> done) {
  auto* watcher = new QFutureWatcher<int>(context);
  QObject::connect(watcher, &QFutureWatcher<int>::finished, context, [watcher, done] {
    done(watcher->result());
    watcher->deleteLater();
  });
  watcher->setFuture(QtConcurrent::run(&PopplerThreads(), [path] {
    int pages = -1;
    if (const std::unique_ptr<Poppler::Document> document = OpenDocument(path)) pages = document->numPages();
    ReturnFreedMemory();
    return pages;
  }));
}

TPreviewWindow::TPreviewWindow(const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Window), m_path(path) {
  setObjectName(QStringLiteral("PreviewWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(FormatText(GuiString(idsPreviewTitle), {QFileInfo(path).fileName()}));
  m_status = new QLabel(GuiString(idsPreviewLoading), this);
  m_status->setObjectName(QStringLiteral("labPreviewStatus"));
  m_status->setWordWrap(true);
  m_pages = new QListWidget(this);
  m_pages->setObjectName(QStringLiteral("lstPreviewPages"));
  m_pages->setViewMode(QListView::IconMode);
  m_pages->setResizeMode(QListView::Adjust);
  m_pages->setMovement(QListView::Static);
  m_pages->setSpacing(kThumbnailSpacing);
  m_pages->setIconSize(QSize(kThumbnailWidth, kThumbnailHeight));
  m_pages->setUniformItemSizes(true);
  m_pages->viewport()->setBackgroundRole(QPalette::Window);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_status);
  layout->addWidget(m_pages, 1);
  QSize size = kWindowSize;
  if (QScreen* shown = parent != nullptr ? parent->screen() : screen()) {
    size = size.boundedTo(shown->availableGeometry().size() * 9 / 10);
  }
  resize(size);
  if (parent != nullptr) {
    // Over the main window, but never partly off its screen.
    QRect placed(parent->geometry().center() - rect().center(), size);
    if (QScreen* shown = parent->screen()) {
      const QRect screen = shown->availableGeometry();
      placed.moveLeft(std::clamp(placed.left(), screen.left(), std::max(screen.left(), screen.right() - placed.width())));
      placed.moveTop(std::clamp(placed.top(), screen.top(), std::max(screen.top(), screen.bottom() - placed.height())));
    }
    move(placed.topLeft());
  }
  connect(&m_watcher, &QFutureWatcher<PreviewItem>::resultReadyAt, this,
          [this](int index) { TakeItem(index); });
  // The count is told once every page is drawn; until then the status says
  // the preview is being made.
  connect(&m_watcher, &QFutureWatcher<PreviewItem>::finished, this, [this] {
    if (m_pageCount >= 0) m_status->setText(FormatText(GuiString(idsPageCount), {QString::number(m_pageCount)}));
  });
  const int width = qRound(kThumbnailWidth * devicePixelRatioF());
  m_watcher.setFuture(QtConcurrent::run(&PopplerThreads(), &RenderPreview, path, width));
}

// The worker ends within its page; nothing waits for it, and what it still
// delivers goes nowhere. The thumbnails go with the window's members and
// children, after this body: the freed memory is given back once the window
// is wholly gone.
TPreviewWindow::~TPreviewWindow() {
  m_watcher.future().cancel();
  QTimer::singleShot(0, QCoreApplication::instance(), [] { ReturnFreedMemory(); });
}

QString TPreviewWindow::StatusText() const {
  return m_status->text();
}

int TPreviewWindow::ThumbnailCount() const {
  return m_pages->count();
}

QImage TPreviewWindow::Thumbnail(int page) const {
  if (page < 0 || page >= m_pages->count()) return {};
  return m_pages->item(page)->data(Qt::UserRole).value<QImage>();
}

void TPreviewWindow::TakeItem(int index) {
  const PreviewItem item = m_watcher.resultAt(index);
  if (item.page < 0) {
    m_pageCount = item.pageCount;
    if (item.pageCount < 0) m_status->setText(FormatText(GuiString(idsPreviewCannotOpen), {m_path}));
    return;
  }
  auto* entry = new QListWidgetItem(QIcon(OnIconBox(item.image, m_pages->iconSize(), devicePixelRatioF())),
                                    FormatText(GuiString(idsPreviewPage), {QString::number(item.page + 1)}),
                                    m_pages);
  entry->setData(Qt::UserRole, item.image);
}

void TPreviewWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}
