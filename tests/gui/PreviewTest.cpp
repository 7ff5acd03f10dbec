// What came back: the page count in the log and the preview's thumbnails,
// read by Poppler off the window's thread.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTest>

#include <QListWidget>
#include <string>
#include <vector>

#include "DragEdit.h"
#include "GuiTestSupport.h"
#include "PagePreview.h"
#include "PdfWithXref.h"

namespace {

class PreviewTest : public ::testing::Test, public FormFixture {
 protected:
  // Two A6 pages, the first with a black box over its upper half.
  QString TwoPagePdf(const QString& name) const {
    const QString path = Path(name);
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A6));
    QPainter painter(&writer);
    painter.fillRect(QRect(0, 0, writer.width(), writer.height() / 2), Qt::black);
    writer.newPage();
    painter.drawText(QPoint(100, 100), "2");
    painter.end();
    return path;
  }
  // Pages of every shape, each a media box and a rotation, the landscape
  // one last: the list must not size the others by it.
  struct PageShape {
    int width;
    int height;
    int rotate;
  };
  static constexpr PageShape kShapes[] = {{298, 420, 0},  {298, 420, 0}, {12, 9, 0},   {40, 2000, 0},
                                          {612, 792, 270}, {420, 298, 0}, {298, 420, 90}};
  QString MixedPagesPdf(const QString& name) const {
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
    std::string kids;
    for (const PageShape& shape : kShapes) {
      const int number = static_cast<int>(objects.size()) + 1;
      kids += std::to_string(number) + " 0 R ";
      objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(shape.width) + " " +
                        std::to_string(shape.height) + "] /Rotate " + std::to_string(shape.rotate) + " >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(std::size(kShapes)) + " >>";
    return WriteFile(name, QByteArray::fromStdString(PdfWithXref(objects)));
  }
  // Every item shows its whole thumbnail and its whole caption "第 N 页",
  // and every thumbnail is the whole page, fitted into the box.
  void ExpectWholeThumbnailsOfMixedPages() {
    TPreviewWindow preview(MixedPagesPdf("mixed.pdf"));
    preview.show();
    ASSERT_TRUE(WaitUntilFinished(preview));
    QCoreApplication::processEvents();
    auto* list = preview.findChild<QListWidget*>("lstPreviewPages");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), static_cast<int>(std::size(kShapes)));
    const qreal ratio = preview.devicePixelRatioF();
    for (int page = 0; page < list->count(); ++page) {
      const PageShape& shape = kShapes[page];
      const bool turned = shape.rotate % 180 != 0;
      const double wide = turned ? shape.height : shape.width;
      const double high = turned ? shape.width : shape.height;
      const QImage thumbnail = preview.Thumbnail(page);
      ASSERT_FALSE(thumbnail.isNull()) << "page " << page + 1;
      const QSizeF shown = QSizeF(thumbnail.size()) / ratio;
      EXPECT_LE(shown.width(), TPreviewWindow::kThumbnailWidth + 1) << "page " << page + 1;
      EXPECT_LE(shown.height(), TPreviewWindow::kThumbnailHeight + 1) << "page " << page + 1;
      EXPECT_TRUE(std::abs(shown.width() - TPreviewWindow::kThumbnailWidth) <= 1 ||
                  std::abs(shown.height() - TPreviewWindow::kThumbnailHeight) <= 1)
          << "page " << page + 1 << " does not fill its box";
      EXPECT_NEAR(shown.width() / shown.height(), wide / high, 0.05 * wide / high + 2.0 / shown.height())
          << "page " << page + 1;

      QListWidgetItem* item = list->item(page);
      EXPECT_EQ(item->text(), "第 " + QString::number(page + 1) + " 页");
      const QSize icon = item->icon().actualSize(list->iconSize());
      EXPECT_GE(icon.width() + 1, shown.width()) << "page " << page + 1;
      EXPECT_GE(icon.height() + 1, shown.height()) << "page " << page + 1;
      const QRect cell = list->visualItemRect(item);
      const QSize caption = list->fontMetrics().size(0, item->text());
      EXPECT_GE(cell.height(), icon.height() + caption.height()) << "page " << page + 1;
      EXPECT_GE(cell.width(), std::max(icon.width(), caption.width())) << "page " << page + 1;
    }
  }
  static bool WaitUntilFinished(const TPreviewWindow& preview) {
    return QTest::qWaitFor([&] { return preview.Finished(); }, 10'000);
  }
};

}  // namespace

TEST_F(PreviewTest, ShowsAThumbnailOfEveryPage) {
  TPreviewWindow preview(TwoPagePdf("two.pdf"));
  ASSERT_TRUE(WaitUntilFinished(preview));
  QCoreApplication::processEvents();
  EXPECT_EQ(preview.PageCount(), 2);
  EXPECT_EQ(preview.StatusText(), "修复后的文件共有 2 页。");
  ASSERT_EQ(preview.ThumbnailCount(), 2);
  const QImage first = preview.Thumbnail(0);
  ASSERT_FALSE(first.isNull());
  EXPECT_EQ(first.width(), TPreviewWindow::kThumbnailWidth);
  EXPECT_EQ(qGray(first.pixel(first.width() / 2, first.height() / 4)), 0);       // the box
  EXPECT_EQ(qGray(first.pixel(first.width() / 2, first.height() * 3 / 4)), 255);  // paper
  EXPECT_TRUE(preview.windowTitle().endsWith("two.pdf"));
}

TEST_F(PreviewTest, PagesOfEveryShapeAndRotationShowWholeWithTheirCaptions) {
  ExpectWholeThumbnailsOfMixedPages();
}

TEST_F(PreviewTest, PagesOfEveryShapeShowWholeAtHighScale) {
  ExpectWholeThumbnailsOfMixedPages();
}

TEST_F(PreviewTest, AFilePopplerCannotOpenSaysSo) {
  const QString path = WriteFile("broken.pdf", "no PDF at all");
  TPreviewWindow preview(path);
  ASSERT_TRUE(WaitUntilFinished(preview));
  QCoreApplication::processEvents();
  EXPECT_EQ(preview.StatusText(), "不能打开文件“" + path + "”进行预览。");
  EXPECT_EQ(preview.ThumbnailCount(), 0);
}

// The real engine repairs a file whose cross-reference table is gone; the
// log then ends with the page count and the preview shows the pages.
TEST_F(PreviewTest, ARepairEndsWithThePageCountAndCanBePreviewed) {
  QByteArray damaged;
  QFile pdf(TwoPagePdf("source.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  damaged = pdf.readAll();
  damaged.truncate(damaged.lastIndexOf("xref"));  // no table, no trailer
  const QString source = WriteFile("damaged.pdf", damaged);
  TMainForm real(dialogs);
  real.chkOpenFixed->setChecked(false);
  real.txtSrcFile->setText(source);
  real.btnRepairClick();
  ASSERT_TRUE(QFile::exists(Path("damaged_fixed.pdf"))) << "the repair wrote no file";
  EXPECT_TRUE(real.btnPreview->isEnabled());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return LogLines(real).constLast() == "修复后的文件共有 2 页。"; }, 10'000))
      << LogLines(real).constLast().toStdString();
  real.btnPreview->click();
  ASSERT_NE(real.PreviewWindow(), nullptr);
  EXPECT_TRUE(real.PreviewWindow()->isVisible());
  ASSERT_TRUE(WaitUntilFinished(*real.PreviewWindow()));
  QCoreApplication::processEvents();
  EXPECT_EQ(real.PreviewWindow()->ThumbnailCount(), 2);
}
