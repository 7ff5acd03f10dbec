// Start-up, the file fields and their dialogs, and the window's other
// handlers. The repair run itself is in MainFormRepair.cpp.
#include "MainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTreeWidget>

#include "Artwork.h"
#include "BusyAnimation.h"
#include "CommandLine.h"
#include "DragEdit.h"
#include "GuiStrings.h"
#include "LinkLabel.h"
#include "TextFormat.h"
#include "UpDown.h"

namespace {

constexpr int kAnimationTopOnBatchPage = 146;
constexpr int kAnimationTopOnRepairPage = 188;

// "宋体" at 9 points where installed, otherwise the desktop's Chinese font.
QFont WindowFont() {
  const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  for (const QString& wanted :
       {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")}) {
    if (families.contains(wanted)) return QFont(wanted, 9);
  }
  QFont font = QApplication::font();
  font.setPointSize(9);
  return font;
}

// The help page: next to the program in the build tree, under the data
// folder once installed.
QString FindHelpFile() {
  const QString programDir = QCoreApplication::applicationDirPath();
  const QString besideProgram = programDir + QStringLiteral("/help/tessaly.html");
  const QString installed = programDir + QStringLiteral("/../share/tessaly/help/tessaly.html");
  if (!QFileInfo::exists(besideProgram) && QFileInfo::exists(installed)) {
    return QDir::cleanPath(installed);
  }
  return besideProgram;
}

bool IsExistingFile(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && !info.isDir();
}

}  // namespace

TMainForm::TMainForm(IUserDialogs& dialogs, RepairFunction repair, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      SaveLogDialog(dialogs),
      m_dialogs(dialogs),
      m_repair(repair) {
  setObjectName(QStringLiteral("MainForm"));
  setFont(WindowFont());
  setFixedSize(kClientWidth, kClientHeight);
  CreateFrame();
  CreateRepairPage();
  CreateBatchPage();
  CreateOptionsPage();
  CreateAdvancedPage();
  CreateAboutPage();
  SetTabOrders();
  ConnectHandlers();
  FormCreate();
}

TMainForm::~TMainForm() {
  FormDestroy();
}

void TMainForm::ConnectHandlers() {
  connect(txtSrcFile, &QLineEdit::textChanged, this, [this] { txtSrcFileChange(); });
  connect(txtDstFile, &QLineEdit::textChanged, this, [this] { txtDstFileChange(); });
  connect(btnSrcMore, &QPushButton::clicked, this, [this] { btnSrcMoreClick(); });
  connect(btnDstMore, &QPushButton::clicked, this, [this] { btnDstMoreClick(); });
  connect(btnRepair, &QPushButton::clicked, this, [this] { btnRepairClick(); });
  connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
  connect(btnMoreDir, &QPushButton::clicked, this, [this] { btnMoreDirClick(); });
  connect(btnSaveLog, &QPushButton::clicked, this, [this] { btnSaveLogClick(); });
  connect(btnAddFiles, &QPushButton::clicked, this, [this] { btnAddFilesClick(); });
  connect(btnRemoveFiles, &QPushButton::clicked, this, [this] { btnRemoveFilesClick(); });
  connect(btnRemoveAll, &QPushButton::clicked, this, [this] { btnRemoveAllClick(); });
  connect(btnRepairFiles, &QPushButton::clicked, this, [this] { btnRepairFilesClick(); });
  connect(pcMain, &QTabWidget::currentChanged, this, [this](int index) { pcMainChange(index); });
  labHomepage->OnClick = [this] { labHomepageClick(); };
  labEmail->OnClick = [this] { labEmailClick(); };
}

void TMainForm::FormCreate() {
  QCoreApplication::setApplicationName(GuiString(idsAppTitle));
  m_helpFile = FindHelpFile();
  m_openDialog.filter = GuiString(idsOpenFilter);
  m_saveDialog.filter = GuiString(idsSaveFilter);
  labSelSrcFile->setText(GuiString(idsSelectSource));
  labSelDstFile->setText(GuiString(idsSelectDestination));
  LayOutFileFields();
  FillAboutPage();
  const QStringList version = QStringLiteral(TESSALY_FILE_VERSION).split(u'.');
  setWindowTitle(GuiString(idsAppTitle) + QStringLiteral(" v") + version.mid(0, 2).join(u'.'));
  setWindowIcon(AppIcon());
  m_running = false;
  m_settings.Load();
  LoadOptionControls();
  txtSrcFile->SetAcceptFiles(true);
  txtSrcFile->OnDropFile = [this](TDragEdit* sender, const QString& name) {
    txtSrcFileDropFile(sender, name);
  };
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

// Both fields start 10 pixels after the source label and reach the buttons.
void TMainForm::LayOutFileFields() {
  labSelSrcFile->adjustSize();
  labSelDstFile->adjustSize();
  const int left = labSelSrcFile->geometry().right() + 1 + 10;
  const int width = btnSrcMore->x() - left;
  txtSrcFile->setGeometry(left, txtSrcFile->y(), width, txtSrcFile->height());
  txtDstFile->setGeometry(left, txtDstFile->y(), width, txtDstFile->height());
}

void TMainForm::FillAboutPage() {
  labCopyright->setText(GuiString(idsNotice));
  labHomepage->setText(GuiString(idsHomepage));
  labEmail->setText(GuiString(idsEmail));
  labTitle->setText(GuiString(idsAppTitle));
  labVersion->setText(QStringLiteral(TESSALY_FILE_VERSION));
  imgIcon->setPixmap(AppIconPixmap(32));
  for (QLabel* label : {labCopyright, static_cast<QLabel*>(labHomepage),
                        static_cast<QLabel*>(labEmail), labTitle, labVersion}) {
    label->adjustSize();
  }
}

void TMainForm::LoadOptionControls() {
  chkOpenFixed->setChecked(m_settings.OpenFixed());
  const int minorVer = m_settings.MinorVer();
  const bool listed = minorVer >= 0 && minorVer < cmbPDFVersion->count();
  cmbPDFVersion->setCurrentIndex(listed ? minorVer : -1);  // unlisted: no selection
  txtTempDir->setText(m_settings.TempDir());
  udBufSize->SetPosition(static_cast<int16_t>(m_settings.BufSize() & 0xFFFF));
}

void TMainForm::FormDestroy() {
  m_settings.SetOpenFixed(chkOpenFixed->isChecked());
  m_settings.SetMinorVer(cmbPDFVersion->currentIndex());
  m_settings.SetTempDir(txtTempDir->text());
  m_settings.SetBufSize(static_cast<int16_t>(udBufSize->Position()));
  m_settings.Save();
}

bool TMainForm::RunCommandLine(const QStringList& parameters) {
  if (parameters.isEmpty()) return false;
  show();
  const CommandLine line = CommandLine::Parse(parameters);
  if (!IsExistingFile(line.sourceFile)) {
    m_dialogs.ShowMessage(this, FormatText(GuiString(idsCannotOpenFile), {line.sourceFile}),
                          GuiString(idsCaptionError), MessageIcon::Error);
    return false;
  }
  txtSrcFile->setText(line.sourceFile);
  chkOpenFixed->setChecked(line.openFixed);
  txtSrcFileChange();
  btnRepairClick();
  return line.exitAfter || m_closeRequested;
}

void TMainForm::txtDstFileChange() {
  btnRepair->setEnabled(!txtSrcFile->text().trimmed().isEmpty() &&
                        !txtDstFile->text().trimmed().isEmpty());
}

void TMainForm::txtSrcFileChange() {
  txtDstFileChange();
  // Only an empty destination is derived, so typing keeps the first guess.
  if (txtDstFile->text().isEmpty()) txtDstFile->setText(DefaultDestinationName(txtSrcFile->text()));
}

void TMainForm::txtSrcFileDropFile(TDragEdit* /*sender*/, const QString& fileName) {
  txtSrcFile->setText(fileName);
}

void TMainForm::btnSrcMoreClick() {
  m_openDialog.filterIndex = m_settings.OpenFilterIndex();
  if (!m_dialogs.ExecuteOpenDialog(this, m_openDialog)) return;
  m_settings.SetOpenFilterIndex(m_openDialog.filterIndex);
  txtSrcFile->setText(m_openDialog.fileName);
}

void TMainForm::btnDstMoreClick() {
  m_saveDialog.fileName.clear();
  m_saveDialog.filterIndex = m_settings.SaveFilterIndex();
  SaveDialogTypeChange();
  m_saveDialog.onTypeChange = [this](int index) {
    m_saveDialog.filterIndex = index;
    SaveDialogTypeChange();
    return m_saveDialog.defaultExtension;
  };
  if (!m_dialogs.ExecuteSaveDialog(this, m_saveDialog)) return;
  m_settings.SetSaveFilterIndex(m_saveDialog.filterIndex);
  txtDstFile->setText(m_saveDialog.fileName);
}

void TMainForm::SaveDialogTypeChange() {
  m_saveDialog.defaultExtension =
      FilterDefaultExtension(m_saveDialog.filter, m_saveDialog.filterIndex);
}

void TMainForm::btnHelpClick() {
  if (!m_dialogs.OpenUrl(QUrl::fromLocalFile(m_helpFile))) {
    m_dialogs.ShowMessage(this, FormatText(GuiString(idsCannotOpenResult), {m_helpFile}),
                          GuiString(idsCaptionError), MessageIcon::Error);
  }
}

void TMainForm::pcMainChange(int /*index*/) {
  QWidget* page = pcMain->currentWidget();
  const bool repairPage = page == tsRepair || page == tsBatch;
  Panel2->setVisible(repairPage);
  Animate->setVisible(repairPage);
  Animate->move(Animate->x(),
                page == tsBatch ? kAnimationTopOnBatchPage : kAnimationTopOnRepairPage);
}

void TMainForm::labHomepageClick() {
  m_dialogs.OpenUrl(QUrl(labHomepage->text()));
}

void TMainForm::labEmailClick() {
  m_dialogs.OpenUrl(QUrl(QStringLiteral("mailto:") + labEmail->text()));
}

void TMainForm::btnMoreDirClick() {
  const QString folder = m_dialogs.BrowseForFolder(this, GuiString(idsChooseTempDir));
  if (!folder.isEmpty()) txtTempDir->setText(QDir::toNativeSeparators(folder));
}

// Closing while the engine runs stops the run; the window closes once the
// engine has returned, since the call still uses the window's state.
void TMainForm::closeEvent(QCloseEvent* event) {
  if (m_engineCallActive) {
    m_running = false;
    m_closeRequested = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

// A window has no default button: Enter on the repair page goes to the start
// button (which also stops a run), unless another button has the focus.
void TMainForm::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || pcMain->currentWidget() != tsRepair) {
    QWidget::keyPressEvent(event);
    return;
  }
  auto* focusedButton = qobject_cast<QPushButton*>(focusWidget());
  if (focusedButton != nullptr && focusedButton != btnRepair) {
    focusedButton->click();
  } else if (btnRepair->isEnabled()) {
    btnRepairClick();
  }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == txtBufSize && !key->text().isEmpty() && !txtBufSizeKeyPress(key->text().at(0))) {
      return true;
    }
    if (watched == FileList && FileListKeyDown(key->key(), key->modifiers())) return true;
  }
  return QWidget::eventFilter(watched, event);
}

// Control characters and digits pass; anything else is dropped with a beep.
bool TMainForm::txtBufSizeKeyPress(QChar key) {
  if (key.unicode() < 32 || (key >= u'0' && key <= u'9')) return true;
  QApplication::beep();
  return false;
}
