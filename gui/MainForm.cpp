// Start-up, the file fields and their dialogs, and the window's other
// handlers. The repair run itself is in MainFormRepair.cpp.
#include "MainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTreeWidget>

#include "AccessKeys.h"
#include "Anchors.h"
#include "Artwork.h"
#include "BusyAnimation.h"
#include "CommandLine.h"
#include "DragEdit.h"
#include "FileList.h"
#include "GuiStrings.h"
#include "HelpWindow.h"
#include "LinkLabel.h"
#include "PagePreview.h"
#include "TextFormat.h"
#include "UpDown.h"

namespace {

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

}  // namespace

bool TMainForm::IsExistingFile(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && !info.isDir();
}

// The window takes the desktop's font; the fixed layout made for 9 points
// grows with it, and the window can grow beyond that.
TMainForm::TMainForm(IUserDialogs& dialogs, RepairFunction repair, QWidget* parent)
    : QWidget(parent, Qt::Window),
      SaveLogDialog(dialogs),
      m_dialogs(dialogs),
      m_repair(repair),
      m_scale(LayoutScaleFor(QApplication::font())) {
  setObjectName(QStringLiteral("MainForm"));
  resize(kClientWidth, kClientHeight);
  CreateFrame();
  CreateRepairPage();
  CreateBatchPage();
  CreateOptionsPage();
  CreateAdvancedPage();
  CreateAboutPage();
  SetTabOrders();
  ConnectHandlers();
  AddHints();
  new TAccessKeys(this, pcMain);
  FormCreate();
  txtSrcFile->setFocus();
}

TMainForm::~TMainForm() {
  FormDestroy();
}

void TMainForm::ConnectHandlers() {
  connect(txtSrcFile, &QLineEdit::textChanged, this, [this] { txtSrcFileChange(); });
  connect(txtDstFile, &QLineEdit::textChanged, this, [this] { txtDstFileChange(); });
  connect(txtDstFile, &QLineEdit::textEdited, this,
          [this](const QString& text) { txtDstFileEdited(text); });
  connect(btnPreview, &QPushButton::clicked, this, [this] { btnPreviewClick(); });
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
  FileList->OnDropFiles = [this](const QStringList& paths) { FileListDropFiles(paths); };
}

void TMainForm::FormCreate() {
  QCoreApplication::setApplicationName(GuiString(idsAppTitle));
  m_helpFile = FindHelpFile();
  m_openDialog.filter = GuiString(idsOpenFilter);
  m_saveDialog.filter = GuiString(idsSaveFilter);
  labSelSrcFile->setText(GuiString(idsSelectSource));
  labSelDstFile->setText(GuiString(idsSelectDestination));
  ScaleForFont();
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
  SetAnchors();
  RestoreWindowSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

// The size of the last run, never below the smallest size nor beyond the
// screen.
void TMainForm::RestoreWindowSize() {
  QSize size = m_settings.WindowSize().expandedTo(minimumSize());
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableGeometry().size()).expandedTo(minimumSize());
  }
  resize(size);
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
  chkThorough->setChecked(m_settings.Thorough());
}

void TMainForm::FormDestroy() {
  if (m_preview != nullptr) delete m_preview;
  m_settings.SetWindowSize(size());
  m_settings.SetThorough(chkThorough->isChecked());
  m_settings.SetOpenFixed(chkOpenFixed->isChecked());
  m_settings.SetMinorVer(cmbPDFVersion->currentIndex());
  m_settings.SetTempDir(txtTempDir->text());
  m_settings.SetBufSize(static_cast<int16_t>(udBufSize->Position()));
  m_settings.Save();
}

bool TMainForm::RunCommandLine(const QStringList& parameters) {
  if (parameters.isEmpty() || Busy()) return false;  // never a second run
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
  UpdateRunControls();
}

// The destination follows the source, as its default destination name,
// until the user types a destination of their own; emptying the field
// hands it back to the source.
void TMainForm::txtSrcFileChange() {
  txtDstFileChange();
  if (m_dstEdited) return;
  const QString source = txtSrcFile->text();
  txtDstFile->setText(source.isEmpty() ? QString() : DefaultDestinationName(source));
}

void TMainForm::txtDstFileEdited(const QString& text) {
  m_dstEdited = !text.isEmpty();
}

void TMainForm::txtSrcFileDropFile(TDragEdit* /*sender*/, const QString& fileName) {
  txtSrcFile->setText(fileName);
}

QString TMainForm::SourcePath() const {
  return ExpandHomeFolder(txtSrcFile->text());
}

QString TMainForm::DestinationPath() const {
  return ExpandHomeFolder(txtDstFile->text());
}

void TMainForm::btnSrcMoreClick() {
  if (Busy()) return;
  m_openDialog.filterIndex = m_settings.OpenFilterIndex();
  m_openDialog.fileName = SourcePath().trimmed();
  if (!m_dialogs.ExecuteOpenDialog(this, m_openDialog)) return;
  m_settings.SetOpenFilterIndex(m_openDialog.filterIndex);
  txtSrcFile->setText(m_openDialog.fileName);
}

// The dialog opens on the destination the field holds, which is the
// derived name unless the user chose another.
void TMainForm::btnDstMoreClick() {
  if (Busy()) return;
  m_saveDialog.fileName = DestinationPath().trimmed();
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
  // Taking the proposed name leaves the destination following the source.
  m_dstEdited = QFileInfo(m_saveDialog.fileName).absoluteFilePath() !=
                QFileInfo(DefaultDestinationName(SourcePath())).absoluteFilePath();
}

void TMainForm::SaveDialogTypeChange() {
  m_saveDialog.defaultExtension =
      FilterDefaultExtension(m_saveDialog.filter, m_saveDialog.filterIndex);
}

void TMainForm::btnHelpClick() {
  if (Busy()) return;  // F1 too: a failure's message box would hold the run
  if (!IsExistingFile(m_helpFile)) {
    m_dialogs.ShowMessage(this, FormatText(GuiString(idsCannotOpenResult), {m_helpFile}),
                          GuiString(idsCaptionError), MessageIcon::Error);
    return;
  }
  ShowHelp(m_dialogs, this, m_helpFile);
}

// The animation sits above the buttons of either repair page.
void TMainForm::pcMainChange(int /*index*/) {
  QWidget* page = pcMain->currentWidget();
  const bool repairPage = page == tsRepair || page == tsBatch;
  Panel2->setVisible(repairPage);
  Animate->setVisible(repairPage);
}

void TMainForm::btnPreviewClick() {
  const QString file = PreviewFile();
  if (file.isEmpty()) return;
  if (m_preview != nullptr && m_preview->FilePath() == file) {
    m_preview->raise();
    m_preview->activateWindow();
    return;
  }
  delete m_preview;
  m_preview = new TPreviewWindow(file, this);
  m_preview->show();
}

void TMainForm::labHomepageClick() {
  m_dialogs.OpenUrl(QUrl(labHomepage->text()));
}

void TMainForm::labEmailClick() {
  m_dialogs.OpenUrl(QUrl(QStringLiteral("mailto:") + labEmail->text()));
}

void TMainForm::btnMoreDirClick() {
  if (Busy()) return;
  const QString folder = m_dialogs.BrowseForFolder(this, GuiString(idsChooseTempDir));
  if (!folder.isEmpty()) txtTempDir->setText(QDir::toNativeSeparators(folder));
}

