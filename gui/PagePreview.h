#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QListWidget;

// What came back from a repair, read by Poppler on a worker thread so that
// the window never waits for a large or slow file.

// Counts the pages of a PDF file and calls `done` on the thread of
// `context` with the count, or -1 when Poppler cannot open the file.
// Nothing is called once `context` is gone.
void CountPagesLater(const QString& path, QObject* context, std::function<void(int pages)> done);

// One step of a preview: first the page count (page -1), then one
// thumbnail per page in page order.
struct PreviewItem {
  int page = -1;       // 0-based; -1 for the count
  int pageCount = -1;  // -1: the file cannot be opened
  QImage image;
};

// A window of page thumbnails of one PDF file. Rendering starts when the
// window is created and stops when it closes.
class TPreviewWindow : public QWidget {
  Q_OBJECT

 public:
  // The box every page is fitted into, whatever its shape.
  static constexpr int kThumbnailWidth = 160;
  static constexpr int kThumbnailHeight = kThumbnailWidth * 3 / 2;

  explicit TPreviewWindow(const QString& path, QWidget* parent = nullptr);
  ~TPreviewWindow() override;

  QString FilePath() const { return m_path; }
  QString StatusText() const;
  int PageCount() const { return m_pageCount; }
  int ThumbnailCount() const;
  QImage Thumbnail(int page) const;
  bool Finished() const { return m_watcher.isFinished(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void TakeItem(int index);

  QString m_path;
  int m_pageCount = -1;
  QLabel* m_status;
  QListWidget* m_pages;
  QFutureWatcher<PreviewItem> m_watcher;
};
