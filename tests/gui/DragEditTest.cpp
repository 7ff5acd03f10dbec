// Files dropped on the source field.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "DragEdit.h"
#include "GuiTestSupport.h"

namespace {

class DragEditTest : public ::testing::Test, public FormFixture {
 protected:
  // Drags the paths over the source field and drops them; answers whether
  // the field accepted the drag.
  bool Drop(const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPointF at(5, 5);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->txtSrcFile, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->txtSrcFile, &drop);
    return enter.isAccepted();
  }
};

}  // namespace

TEST_F(DragEditTest, DroppedFileFillsSourceAndDestination) {
  EXPECT_TRUE(form->txtSrcFile->AcceptFiles());
  const QString file = WriteFile("dropped.pdf", "%PDF");
  EXPECT_TRUE(Drop({file}));
  EXPECT_EQ(form->txtSrcFile->text(), file);
  EXPECT_EQ(form->txtDstFile->text(), Path("dropped_fixed.pdf"));
  EXPECT_TRUE(form->btnRepair->isEnabled());
}

TEST_F(DragEditTest, OnlyTheFirstOfThreeFilesIsTaken) {
  Drop({Path("one.pdf"), Path("two.pdf"), Path("three.pdf")});
  EXPECT_EQ(form->txtSrcFile->text(), Path("one.pdf"));
}

TEST_F(DragEditTest, DropReplacesTheSourceAndKeepsATypedDestination) {
  form->txtSrcFile->setText("typed.pdf");
  Drop({Path("dropped.pdf")});
  EXPECT_EQ(form->txtSrcFile->text(), Path("dropped.pdf"));
  EXPECT_EQ(form->txtDstFile->text(), Path("dropped_fixed.pdf"));  // derived: it follows
  form->txtDstFile->clear();
  QTest::keyClicks(form->txtDstFile, "/out/chosen.pdf");
  Drop({Path("other.pdf")});
  EXPECT_EQ(form->txtDstFile->text(), "/out/chosen.pdf");
}

TEST_F(DragEditTest, DroppedFolderGivesItsPath) {
  QDir(folder.path()).mkdir("sub.dir");
  Drop({Path("sub.dir")});
  EXPECT_EQ(form->txtSrcFile->text(), Path("sub.dir"));
  EXPECT_EQ(form->txtDstFile->text(), Path("sub_fixed.dir"));
}

TEST_F(DragEditTest, HandlerGetsTheNameAndTheFieldLeavesItsText) {
  TDragEdit edit;
  edit.SetAcceptFiles(true);
  QString received;
  edit.OnDropFile = [&](TDragEdit* sender, const QString& name) {
    EXPECT_EQ(sender, &edit);
    received = name;
  };
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/a/b.pdf")});
  QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&edit, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&edit, &drop);
  EXPECT_EQ(received, "/a/b.pdf");
  EXPECT_TRUE(edit.text().isEmpty());
}
