// At home on a Linux desktop: opening the result, a window that grows and
// follows the desktop's font and colours, a destination that follows the
// source, and the thorough mode.
#include <gtest/gtest.h>

#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QSettings>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <QTest>
#include <QTextBrowser>
#include <cmath>

#include "BusyAnimation.h"
#include "DesktopStyle.h"
#include "DragEdit.h"
#include "GuiTestSupport.h"
#include "LinkLabel.h"

namespace {

class DesktopTest : public ::testing::Test, public FormFixture {
 protected:
  void RepairWithOpen(const QString& handler) {
    dialogs.pdfHandler = handler;
    dialogs.launched.clear();
    form->txtSrcFile->setText(Path("in.pdf"));
    form->chkOpenFixed->setChecked(true);
    form->btnRepairClick();
  }
  // A shell script standing in for one of the desktop's tools.
  QString Script(const QString& name, const QByteArray& body) const {
    const QString path = WriteFile(name, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }
};

// The contrast ratio of two colours as the web's accessibility guidelines
// define it: 3 is the least for the parts of a control.
double ContrastRatio(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  };
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The most contrast any pixel of the area has with the colour.
double MostContrast(const QImage& image, const QRect& area, const QColor& against) {
  double most = 1.0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) most = std::max(most, ContrastRatio(image.pixelColor(x, y), against));
  }
  return most;
}

}  // namespace

// Where this program is the desktop's PDF program, or there is none, the
// repaired file would come back here and be repaired again.
TEST_F(DesktopTest, TheResultNeverOpensWithThisProgram) {
  RepairWithOpen("viewer.desktop");
  EXPECT_EQ(dialogs.launched, QStringList({Path("in_fixed.pdf")}));
  for (const QString& handler : {QString("tessaly.desktop"), QString()}) {
    RepairWithOpen(handler);
    EXPECT_EQ(dialogs.launched, QStringList({folder.path()}));
    EXPECT_EQ(LogLines(*form).constLast(),
              "没有别的程序能打开 PDF 文件，改为打开所在的文件夹“" + folder.path() + "”。");
  }
}

// Without a launcher or a PDF program the result cannot be opened, after
// this repair or any later one: the user is told once, not after every
// repair; and the help shows in the program's own window.
TEST_F(DesktopTest, ADesktopThatCannotOpenFilesSaysSoOnceAndShowsTheHelpItself) {
  dialogs.launchSucceeds = false;
  for (const QString& handler : {QString(), QString("viewer.desktop"), QString()}) {
    RepairWithOpen(handler);
    EXPECT_EQ(dialogs.launched.size(), 1);
  }
  ASSERT_EQ(dialogs.messages.size(), 4u);  // three results, one word about the desktop
  const FakeDialogs::Message told = dialogs.messages[1];
  EXPECT_EQ(told.text,
            "没有能打开 PDF 文件的程序，修复后的文件不能自动打开。本次运行中不再提示；可以在“选项”页上取消“完成后打开修复的文件”。");
  EXPECT_EQ(told.icon, MessageIcon::Information);
  for (const FakeDialogs::Message& result : {dialogs.messages[0], dialogs.messages[2], dialogs.messages[3]}) {
    EXPECT_TRUE(result.text.startsWith("文件“")) << result.text.toStdString();
  }

  // The real launcher, missing: F1 brings the help page in a window of its
  // own, and a second F1 the same window.
  QtUserDialogs real;
  real.launcherProgram = Path("no-xdg-open");
  TMainForm window(real, &FakeEngine::Repair);
  window.show();
  for (int press = 0; press < 2; ++press) {
    QTest::keyClick(&window, Qt::Key_F1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.findChild<QTextBrowser*>("HelpWindow") != nullptr; }, 5000));
  }
  const QList<QTextBrowser*> help = window.findChildren<QTextBrowser*>("HelpWindow");
  ASSERT_EQ(help.size(), 1);
  EXPECT_TRUE(help[0]->isVisible());
  EXPECT_TRUE(help[0]->isWindow());
  EXPECT_EQ(help[0]->windowTitle(), "Tessaly 帮助");
  EXPECT_TRUE(help[0]->source().toLocalFile().endsWith("/help/tessaly.html"));
  EXPECT_TRUE(help[0]->toPlainText().contains("修复一个文件"));
  QTest::keyClick(help[0], Qt::Key_Escape);
  EXPECT_FALSE(help[0]->isVisible());
}

// The real launcher: the default handler is asked of xdg-mime, and a
// launcher that exits non-zero is a failure, reported when it ends.
TEST_F(DesktopTest, TheLauncherIsAskedAndItsExitStatusCounts) {
  QtUserDialogs real;
  real.mimeQueryProgram = Script("xdg-mime", "[ \"$*\" = 'query default application/pdf' ] && echo tessaly.desktop");
  const auto handler = [&real] {
    std::optional<QString> answer;
    real.AskDefaultPdfHandler([&answer](const QString& handler) { answer = handler; });
    if (!QTest::qWaitFor([&answer] { return answer.has_value(); }, 5000)) return QStringLiteral("(no answer)");
    return *answer;
  };
  EXPECT_EQ(handler(), "tessaly.desktop");
  real.mimeQueryProgram = Path("missing-tool");
  EXPECT_EQ(handler(), "");
  for (const int status : {0, 3}) {
    real.launcherProgram =
        Script("xdg-open", "echo \"$1\" > '" + Path("opened").toUtf8() + "'; exit " + QByteArray::number(status));
    std::optional<bool> succeeded;
    real.Launch(Path("x.pdf"), [&](bool ok) { succeeded = ok; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return succeeded.has_value(); }, 5000));
    EXPECT_EQ(succeeded, status == 0);
    EXPECT_EQ(ReadFile("opened"), Path("x.pdf").toUtf8() + "\n");
  }
  real.launcherProgram = Path("missing-tool");
  std::optional<bool> started;
  real.Launch(Path("x.pdf"), [&](bool ok) { started = ok; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return started.has_value(); }, 5000));
  EXPECT_EQ(started, false);
}

TEST_F(DesktopTest, TheLogAndTheListGrowWithTheWindowItsSizeIsKept) {
  form->show();
  const QRect log = form->txtRepairLog->geometry();
  const QRect start = form->btnRepair->geometry();
  const QRect list = form->FileList->geometry();
  const int gauge = form->Gauge->width();
  const int sourceColumn = form->FileList->columnWidth(0);
  form->resize(479 + 200, 349 + 100);
  EXPECT_EQ(form->txtRepairLog->geometry(), log.adjusted(0, 0, 200, 100));
  EXPECT_EQ(form->btnRepair->geometry(), start.translated(200, 100));
  EXPECT_EQ(form->FileList->geometry(), list.adjusted(0, 0, 200, 100));
  EXPECT_EQ(form->Gauge->width(), gauge + 200);
  form->pcMain->setCurrentWidget(form->tsBatch);  // a hidden list learns its size when shown
  EXPECT_EQ(form->FileList->columnWidth(0), sourceColumn + 100);
  EXPECT_EQ(form->FileList->header()->sectionResizeMode(0), QHeaderView::Interactive);
  // A column the user dragged keeps its width when the window grows.
  form->FileList->header()->resizeSection(0, 150);
  form->resize(479 + 300, 349 + 100);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->FileList->columnWidth(0), 150);
  form->resize(479 + 200, 349 + 100);
  form.reset();
  form = std::make_unique<TMainForm>(dialogs, &FakeEngine::Repair);
  EXPECT_EQ(form->size(), QSize(679, 449));
}

// A larger desktop font scales the design layout: every caption still fits.
TEST_F(DesktopTest, TheLayoutFollowsALargerDesktopFont) {
  const QFont desktop = QApplication::font();
  QFont large = desktop;
  large.setPointSize(15);
  QApplication::setFont(large);
  TMainForm window(dialogs, &FakeEngine::Repair);
  QApplication::setFont(desktop);
  window.show();
  EXPECT_GT(window.LayoutScale(), 1.4);
  EXPECT_GE(window.minimumWidth(), qRound(479 * window.LayoutScale()));
  for (int page = 0; page < window.pcMain->count(); ++page) {
    window.pcMain->setCurrentIndex(page);
    for (QLabel* label : window.pcMain->currentWidget()->findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;
      EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
      EXPECT_LE(label->geometry().right(), window.pcMain->currentWidget()->width());
    }
    for (QPushButton* button : window.pcMain->currentWidget()->findChildren<QPushButton*>()) {
      const QString text = button->text().remove(u'&');
      EXPECT_LE(button->fontMetrics().horizontalAdvance(text), button->width())
          << button->objectName().toStdString();
    }
  }
  const QRect field = window.txtSrcFile->geometry();
  EXPECT_GT(field.left(), window.labSelSrcFile->geometry().right());
  EXPECT_LE(field.right(), window.btnSrcMore->x());
}

// On a dark theme the links are drawn in its link colour, not in blue.
TEST_F(DesktopTest, LinksTakeTheirColourFromThePalette) {
  const QPalette before = QApplication::palette();
  QPalette dark = before;
  dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
  dark.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
  QApplication::setPalette(dark);
  QCoreApplication::processEvents();  // a new palette reaches the widgets as an event
  const QImage drawn = form->labHomepage->grab().toImage();
  QApplication::setPalette(before);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->labHomepage->foregroundRole(), QPalette::Link);
  bool linkColoured = false;
  for (int y = 0; y < drawn.height() && !linkColoured; ++y) {
    for (int x = 0; x < drawn.width() && !linkColoured; ++x) {
      linkColoured = drawn.pixelColor(x, y) == QColor(0x8a, 0xb4, 0xf8);
    }
  }
  EXPECT_TRUE(linkColoured);
}

// Each row: what the user does, then the destination the field shows.
TEST_F(DesktopTest, TheDestinationFollowsTheSourceUntilTheUserTypesOne) {
  struct Row {
    std::function<void(TMainForm&)> act;
    QString destination;
  };
  // "~" is the home folder: a scratch one, since the repair writes there.
  const QByteArray realHome = qgetenv("HOME");
  qputenv("HOME", QFile::encodeName(Path("")));
  const QString home = QDir::homePath();
  const std::vector<Row> table = {
      {[](TMainForm& f) { QTest::keyClicks(f.txtSrcFile, "/tmp/y.pdf"); }, "/tmp/y_fixed.pdf"},
      {[](TMainForm& f) { QTest::keyClick(f.txtSrcFile, Qt::Key_Backspace); }, "/tmp/y_fixed.pd"},
      {[this](TMainForm& f) {
         dialogs.fileChoice = "/data/scan.pdf";
         f.btnSrcMore->click();
       },
       "/data/scan_fixed.pdf"},
      {[](TMainForm& f) { f.txtSrcFileDropFile(f.txtSrcFile, "/drop/a.b/c"); }, "/drop/a.b/c_fixed"},
      {[](TMainForm& f) { f.txtSrcFile->clear(); }, ""},
      {[](TMainForm& f) { QTest::keyClicks(f.txtDstFile, "/mine.pdf"); }, "/mine.pdf"},
      {[](TMainForm& f) { f.txtSrcFile->setText("/other.pdf"); }, "/mine.pdf"},
      {[](TMainForm& f) { f.txtDstFile->selectAll(); QTest::keyClick(f.txtDstFile, Qt::Key_Delete); }, ""},
      {[](TMainForm& f) { f.txtSrcFile->setText("~/in.pdf"); }, "~/in_fixed.pdf"},
  };
  for (size_t row = 0; row < table.size(); ++row) {
    table[row].act(*form);
    EXPECT_EQ(form->txtDstFile->text(), table[row].destination) << "row " << row;
  }
  form->chkOpenFixed->setChecked(false);
  form->btnRepairClick();
  EXPECT_EQ(FakeEngine::sourcePath, (home + "/in.pdf").toStdString());
  EXPECT_TRUE(QFile::exists(home + "/in_fixed.pdf"));
  qputenv("HOME", realHome);
}

TEST_F(DesktopTest, ThoroughModeIsOnByDefaultAndBothRepairsPassItToTheEngine) {
  constexpr uint32_t kAlways =
      TESSCORE_OPTION_BATCHED_MESSAGES | TESSCORE_OPTION_PASSWORD_QUERY | TESSCORE_OPTION_REPORT;
  EXPECT_TRUE(form->chkThorough->isChecked());
  EXPECT_EQ(form->chkThorough->text(), "深度修复（较慢）(&T)");
  EXPECT_EQ(form->chkThorough->toolTip(),
            "跳过损坏的内容并重新同步，能找回更多对象和页面，但需要更长时间。");
  form->chkOpenFixed->setChecked(false);
  form->txtSrcFile->setText(Path("in.pdf"));
  form->btnRepairClick();
  EXPECT_EQ(FakeEngine::versionOption, (4u << 16) | kAlways | TESSCORE_OPTION_THOROUGH);
  form->chkThorough->setChecked(false);
  form->btnRepairClick();
  EXPECT_EQ(FakeEngine::versionOption, (4u << 16) | kAlways);
  dialogs.filesChoice = {WriteFile("b.pdf", "%PDF")};
  form->cmbPDFVersion->setCurrentIndex(6);
  form->btnAddFilesClick();
  form->btnRepairFilesClick();
  EXPECT_EQ(FakeEngine::versionOption, (6u << 16) | kAlways);
  form->chkThorough->setChecked(true);
  form->btnRepairFilesClick();
  EXPECT_EQ(FakeEngine::versionOption, (6u << 16) | kAlways | TESSCORE_OPTION_THOROUGH);
}

// Idle, the busy animation draws nothing; running, it draws its dots.
TEST_F(DesktopTest, TheBusyAnimationShowsNothingWhenIdle) {
  form->show();
  const QColor window = form->palette().color(QPalette::Window);
  const QImage idle = form->Animate->grab().toImage();
  EXPECT_EQ(MostContrast(idle, idle.rect(), window), 1.0);
  form->Animate->SetActive(true);
  const QImage running = form->Animate->grab().toImage();
  form->Animate->SetActive(false);
  EXPECT_GE(MostContrast(running, running.rect(), window), 3.0);
}

// Under Fusion with a dark palette the box of an unticked check box stands
// out from the window as a control's part must.
TEST_F(DesktopTest, AnUntickedCheckBoxStandsOutOnADarkFusionPalette) {
  const QString style = QApplication::style()->name();
  const QPalette before = QApplication::palette();
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  UseDesktopStyle();
  QPalette dark = QApplication::style()->standardPalette();
  for (const auto& [role, colour] : {std::pair{QPalette::Window, QColor(0x35, 0x35, 0x35)},
                                     {QPalette::WindowText, QColor(Qt::white)},
                                     {QPalette::Base, QColor(0x2a, 0x2a, 0x2a)},
                                     {QPalette::Text, QColor(Qt::white)},
                                     {QPalette::Button, QColor(0x35, 0x35, 0x35)},
                                     {QPalette::ButtonText, QColor(Qt::white)}}) {
    dark.setColor(role, colour);
  }
  QApplication::setPalette(dark);
  double contrast = 0;
  {
    TMainForm window(dialogs, &FakeEngine::Repair);
    window.show();
    window.pcMain->setCurrentWidget(window.tsOptions);
    QCheckBox* box = window.chkThorough;
    box->setChecked(false);
    QCoreApplication::processEvents();
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    contrast = MostContrast(box->grab().toImage(), indicator, dark.color(QPalette::Window));
  }
  QApplication::setStyle(QStyleFactory::create(style));
  QApplication::setPalette(before);
  EXPECT_GE(contrast, 3.0);
}

// The program's style goes over the style the user chose ("-style"), and so
// does the tab strip's, which draws the keyboard focus.
TEST_F(DesktopTest, TheChosenStyleStaysUnderTheProgramsOwn) {
  const QString style = QApplication::style()->name();
  QApplication::setStyle(QStyleFactory::create("Windows"));
  UseDesktopStyle();
  QString program;
  QString tabs;
  {
    TMainForm window(dialogs, &FakeEngine::Repair);
    program = qobject_cast<QProxyStyle*>(QApplication::style())->baseStyle()->name();
    tabs = qobject_cast<QProxyStyle*>(window.pcMain->tabBar()->style())->baseStyle()->name();
  }
  QApplication::setStyle(QStyleFactory::create(style));
  EXPECT_EQ(program, "windows");
  EXPECT_EQ(tabs, "windows");
}
