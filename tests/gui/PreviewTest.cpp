// What came back: the page count in the log and the preview's thumbnails,
// read by Poppler off the window's thread.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTest>

#include "DragEdit.h"
#include "GuiTestSupport.h"
#include "PagePreview.h"

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
