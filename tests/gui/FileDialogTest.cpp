// The toolkit's own file dialogs, driven as a user would: the file type the
// user picks is remembered, and the save dialog's default extension follows
// the type. Fake dialogs cannot show how the real one names its types.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "DragEdit.h"
#include "GuiTestSupport.h"
#include "SaveLogDialog.h"

namespace {

class FileDialogTest : public ::testing::Test, public FormFixture {
 protected:
  // Runs `user` on the dialog once it is shown.
  static void WhenShown(std::function<void(QFileDialog&)> user) {
    QTimer::singleShot(0, [user] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      user(*dialog);
    });
  }
  static QComboBox* Types(QFileDialog& dialog) {
    return dialog.findChild<QComboBox*>("fileTypeCombo");
  }
  // Picks a type with the keyboard, as a user does, then enters a name and
  // presses Enter. The name is put in at once: typed key by key, the
  // field's completer would open a list that takes the Enter.
  static void PickTypesAndAccept(QFileDialog& dialog, const std::vector<Qt::Key>& keys,
                                 const QString& name) {
    QComboBox* types = Types(dialog);
    ASSERT_NE(types, nullptr);
    for (Qt::Key key : keys) QTest::keyClick(types, key);
    auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
    if (dialog.isVisible()) {
      ADD_FAILURE() << "the dialog did not take " << name.toStdString();
      dialog.reject();
    }
  }

  QtUserDialogs real;
};

}  // namespace

TEST_F(FileDialogTest, TheSourceDialogRemembersAllFiles) {
  TMainForm window(real, &FakeEngine::Repair);
  const QString source = WriteFile("scan.bin", "%PDF-1.4\n");
  WhenShown([&](QFileDialog& dialog) {
    EXPECT_EQ(Types(dialog)->currentIndex(), 0);
    PickTypesAndAccept(dialog, {Qt::Key_Down}, source);
  });
  window.btnSrcMore->click();
  EXPECT_EQ(window.txtSrcFile->text(), source);
  EXPECT_EQ(window.Settings().OpenFilterIndex(), 2);
  int shownType = -1;
  WhenShown([&](QFileDialog& dialog) {
    shownType = Types(dialog)->currentIndex();
    dialog.reject();
  });
  window.btnAddFilesClick();  // the batch's open dialog shares the choice
  EXPECT_EQ(shownType, 1);
}

TEST_F(FileDialogTest, TheSaveDialogKeepsPdfAfterTheTypeWentAwayAndBack) {
  TMainForm window(real, &FakeEngine::Repair);
  window.txtSrcFile->setText(Path("in.pdf"));
  QString offered;
  WhenShown([&](QFileDialog& dialog) {
    offered = dialog.findChild<QLineEdit*>("fileNameEdit")->text();
    PickTypesAndAccept(dialog, {Qt::Key_Down, Qt::Key_Up}, "name");
  });
  window.btnDstMore->click();
  EXPECT_EQ(offered, "in_fixed.pdf");  // the dialog opens on the derived name
  EXPECT_EQ(window.txtDstFile->text(), Path("name.pdf"));
  EXPECT_EQ(window.Settings().SaveFilterIndex(), 1);

  WhenShown([&](QFileDialog& dialog) { PickTypesAndAccept(dialog, {Qt::Key_Down}, "other"); });
  window.btnDstMore->click();
  EXPECT_EQ(window.txtDstFile->text(), Path("other"));  // all files: no extension added
  EXPECT_EQ(window.Settings().SaveFilterIndex(), 2);
}

// At a high scale factor the screen holds few logical pixels: the log's
// dialog must still show its check box. Runs only in a test process of its
// own at QT_SCALE_FACTOR=2 (see CMakeLists.txt).
TEST_F(FileDialogTest, HighScaleSaveLogDialogFitsTheScreen) {
  ASSERT_GE(qApp->devicePixelRatio(), 2.0) << "run at QT_SCALE_FACTOR=2";
  const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
  QRect shown;
  bool boxVisible = false;
  WhenShown([&](QFileDialog& dialog) {
    shown = dialog.frameGeometry();
    auto* box = dialog.findChild<QWidget*>("SystemInfoCheckBox");
    boxVisible = box != nullptr && box->isVisible() &&
                 dialog.rect().contains(QRect(box->mapTo(&dialog, QPoint()), box->size()));
    dialog.reject();
  });
  bool include = true;
  FileDialogRequest request;
  request.filter = "日志文件 (*.log)|*.log";
  real.ExecuteSaveLogDialog(form.get(), request, include);
  EXPECT_LE(shown.height(), room.height());
  EXPECT_LE(shown.width(), room.width());
  EXPECT_TRUE(boxVisible);
}

// Every column of the list is whole once the folder is read: the names, the
// sizes, the types and the dates, side by side without scrolling, in a
// dialog that fits the screen (800 by 600 offscreen).
TEST_F(FileDialogTest, TheListShowsNamesSizesTypesAndDatesWhole) {
  WriteFile("the long name of a scanned contract 2024.pdf", QByteArray(123456, 'x'));
  WriteFile("短.pdf", "%PDF-1.4\n");
  WriteFile("另一份中文名称的合同扫描件.pdf", QByteArray(4321, 'x'));
  const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
  bool whole = false;
  QRect shown;
  QStringList cut;
  WhenShown([&](QFileDialog& dialog) {
    auto* tree = dialog.findChild<QTreeView*>("treeView");
    ASSERT_NE(tree, nullptr);
    const QAbstractItemView& view = *tree;
    const auto columnsWhole = [&] {
      if (tree->model()->rowCount(tree->rootIndex()) != 3) return false;
      cut.clear();
      QHeaderView* header = tree->header();
      for (int column = 0; column < header->count(); ++column) {
        if (header->isSectionHidden(column)) continue;
        if (header->sectionSize(column) < view.sizeHintForColumn(column) ||
            header->sectionViewportPosition(column) + header->sectionSize(column) > tree->viewport()->width()) {
          cut << tree->model()->headerData(column, Qt::Horizontal).toString();
        }
      }
      auto* sidebar = dialog.findChild<QAbstractItemView*>("sidebar");
      if (sidebar != nullptr && sidebar->viewport()->width() < sidebar->sizeHintForColumn(0)) cut << "sidebar";
      return cut.isEmpty();
    };
    whole = QTest::qWaitFor(columnsWhole, 5000);
    shown = dialog.frameGeometry();
    dialog.reject();
  });
  FileDialogRequest request;
  request.filter = "Adobe PDF 文件 (*.pdf)|*.pdf";
  request.fileName = Path("短.pdf");
  real.ExecuteOpenDialog(form.get(), request);
  EXPECT_TRUE(whole) << "cut: " << cut.join(", ").toStdString();
  EXPECT_TRUE(room.contains(shown)) << shown.width() << "x" << shown.height();
}
