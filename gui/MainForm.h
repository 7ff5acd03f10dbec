#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "AppSettings.h"
#include "PagePreview.h"
#include "EngineCall.h"
#include "SaveLogDialog.h"
#include "UserDialogs.h"
#include "tesscore/tesscore.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TAnchors;
class TBanner;
class TBusyAnimation;
class TDragEdit;
class TFileList;
class TLinkLabel;
class TUpDown;

// The main window: the single-file repair page, the batch page, the options,
// the hidden advanced options and the About page, with the progress gauge
// and the busy animation both repair pages share. A repair is one
// synchronous engine call on this thread; pending events run while the
// engine reports progress. The window is laid out at fixed positions for a
// 9-point font, scaled up for a larger desktop font, and can grow from there.
class TMainForm : public QWidget, private frontend::RepairEvents {
  Q_OBJECT

 public:
  using RepairFunction = frontend::RepairFunction;

  static constexpr int kClientWidth = 479;
  static constexpr int kClientHeight = 349;

  // The dialogs and the engine entry are injected so that tests answer them.
  explicit TMainForm(IUserDialogs& dialogs, RepairFunction repair = &RepairPdfFile,
                     QWidget* parent = nullptr);
  ~TMainForm() override;

  // The desktop entry of this program: never asked to open a repaired file.
  static constexpr const char* kOwnDesktopEntry = "tessaly.desktop";
  // The factor by which the fixed layout grew for the desktop's font.
  double LayoutScale() const { return m_scale; }

  // The last start-up step: a file named on the command line is repaired at
  // once. Answers true when the program should end now.
  bool RunCommandLine(const QStringList& parameters);

  bool Running() const { return m_running; }
  // A repair of either kind is in progress, until its clean-up; also after
  // Stop, while the stopped run has not ended.
  bool Busy() const { return m_runKind != RunKind::none; }
  bool EngineCallActive() const { return m_engineCallActive; }
  AppSettings& Settings() { return m_settings; }

  // Event handlers, named after their control and event.
  void txtSrcFileChange();
  void txtDstFileChange();
  // The user typed in the destination field: it no longer follows the source.
  void txtDstFileEdited(const QString& text);
  void txtSrcFileDropFile(TDragEdit* sender, const QString& fileName);
  void btnSrcMoreClick();
  void btnDstMoreClick();
  void SaveDialogTypeChange();
  void btnRepairClick();
  void btnHelpClick();
  void pcMainChange(int index);
  void labHomepageClick();
  void labEmailClick();
  void btnMoreDirClick();
  void btnPreviewClick();
  TPreviewWindow* PreviewWindow() const { return m_preview; }
  // Answers whether the typed character may go into the buffer size field.
  bool txtBufSizeKeyPress(QChar key);

  // The batch page (MainFormBatch.cpp).
  void btnAddFilesClick();
  void btnRemoveFilesClick();
  void btnRemoveAllClick();
  // Answers whether the key was one of the list's own (Delete, Shift+Delete).
  bool FileListKeyDown(int key, Qt::KeyboardModifiers shift);
  void FileListDropFiles(const QStringList& paths);
  void btnRepairFilesClick();

  // Saving the log (MainFormLog.cpp).
  void btnSaveLogClick();

  // The controls, named as on the form.
  TBanner* imgBanner = nullptr;
  QTabWidget* pcMain = nullptr;
  QWidget* tsRepair = nullptr;
  QWidget* tsBatch = nullptr;
  QWidget* tsOptions = nullptr;
  QWidget* tsAdvOptions = nullptr;
  QWidget* tsAbout = nullptr;
  QFrame* Panel2 = nullptr;
  QProgressBar* Gauge = nullptr;
  TBusyAnimation* Animate = nullptr;

  QLabel* labSelSrcFile = nullptr;
  TDragEdit* txtSrcFile = nullptr;
  QPushButton* btnSrcMore = nullptr;
  QLabel* labSelDstFile = nullptr;
  QLineEdit* txtDstFile = nullptr;
  QPushButton* btnDstMore = nullptr;
  QLabel* Label4 = nullptr;
  QPlainTextEdit* txtRepairLog = nullptr;
  QPushButton* btnRepair = nullptr;
  QPushButton* btnSaveLog = nullptr;
  QPushButton* btnHelp = nullptr;
  QPushButton* btnPreview = nullptr;
  TSaveLogDialog SaveLogDialog;

  QLabel* Label9 = nullptr;
  TFileList* FileList = nullptr;
  QPushButton* btnRepairFiles = nullptr;
  QPushButton* btnAddFiles = nullptr;
  QPushButton* btnRemoveFiles = nullptr;
  QPushButton* btnRemoveAll = nullptr;

  QLabel* imgIcon = nullptr;
  QLabel* labTitle = nullptr;
  QLabel* labVersionCaption = nullptr;
  QLabel* labVersion = nullptr;
  QLabel* labCopyright = nullptr;
  QLabel* labHomepageCaption = nullptr;
  TLinkLabel* labHomepage = nullptr;
  QLabel* labEmailCaption = nullptr;
  TLinkLabel* labEmail = nullptr;

  QCheckBox* chkOpenFixed = nullptr;
  QLabel* labPDFVersion = nullptr;
  QComboBox* cmbPDFVersion = nullptr;
  QCheckBox* chkThorough = nullptr;

  QLabel* labTempDir = nullptr;
  QLineEdit* txtTempDir = nullptr;
  QPushButton* btnMoreDir = nullptr;
  QLabel* labBufSize = nullptr;
  QLineEdit* txtBufSize = nullptr;
  TUpDown* udBufSize = nullptr;
  QLabel* Label16 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Building the window (MainFormLayout.cpp, MainFormPages.cpp).
  void CreateFrame();
  void CreateRepairPage();
  void CreateBatchPage();
  void CreateOptionsPage();
  void CreateAdvancedPage();
  void CreateAboutPage();
  void SetTabOrders();
  void ConnectHandlers();
  void ScaleForFont();
  void SetAnchors();
  void AddHints();

  // Start-up and shut-down (MainForm.cpp).
  void FormCreate();
  void LayOutFileFields();
  void FillAboutPage();
  void LoadOptionControls();
  void RestoreWindowSize();
  void FormDestroy();
  // The paths the run uses: the fields' texts, "~" standing for the home folder.
  QString SourcePath() const;
  QString DestinationPath() const;

  // The repair run (MainFormRepair.cpp).
  enum class RunKind { none, single, batch };
  // One run at a time: the other page's start button, the batch list's
  // edits and every control that opens a dialog (which would hold the
  // engine on this thread until it closed) are off while a run goes.
  void UpdateRunControls();
  void UpdatePreviewButton();
  // The file the last successful repair of the source in the field wrote;
  // empty while a run goes or when there is none.
  QString PreviewFile() const;
  void Log(const QString& line);
  void LogSeparator();
  bool ConfirmOverwrite(const QString& destination);
  void LogRunHeader(const QString& source, const QString& destination);
  uint32_t VersionOption() const;
  // Repairs as a job (MainFormOutput.cpp) whose output replaces the
  // destination only when the repair completed; replace: the user agreed to
  // replace an existing file. Answers the engine's result.
  int RepairInto(const QString& source, const QString& destination, bool replace);
  // What the engine says while it runs, shown in the window.
  void Progress(int percent) override;
  void LogLine(const std::string& text) override;
  void Error(const std::string& text) override;
  bool StopWanted() override;
  // Asks the user (MainFormPassword.cpp).
  bool PasswordWanted(int attempt, frontend::PasswordAnswer& answer) override;
  void Report(const frontend::RepairReport& report) override;
  // The report's summary line; empty when the run sent none.
  QString ReportSummaryText() const;
  // The losses in one line below a result; empty when nothing was lost.
  QString LossesText() const;
  // Logs a failure as a block of its own and keeps it as the run's reason.
  void LogErrorBlock(const QString& text);
  void LogRunFooter(qint64 elapsedMilliseconds);
  QString ResultText(bool succeeded, const QString& source, const QString& destination) const;
  // The engine's last error text of the run, or why it found nothing.
  QString FailureReason() const;
  void CleanUpRun();
  void RepairSucceeded(const QString& source, const QString& destination);
  // A file that is there, not a folder.
  static bool IsExistingFile(const QString& path);
  void OpenRepairedFile(const QString& destination, const QString& shownName);
  void OpenWithHandler(const QString& handler, const QString& destination, const QString& shownName);
  void ProcessEventsIfDue();

  // The batch run (MainFormBatch.cpp).
  struct BatchRun;
  void RunBatch(BatchRun& run);
  bool DecideOverwrite(BatchRun& run, const QString& destination);
  void RefuseBatchItem(BatchRun& run, QTreeWidgetItem& item, const QString& reason);
  void LogBatchItem(bool succeeded, const QString& source);
  void ShowBatchSummary(const BatchRun& run);
  void CleanUpBatch();
  bool ContainsSource(const QString& path) const;
  // Answers whether the path was added: a file already listed is not.
  bool AddSource(const QString& path);
  void ResetBatchItems();
  // A batch that replaced the previewed file from another source.
  void ForgetPreviewOf(const QString& source, const QString& destination);

  // The saved log (MainFormLog.cpp).
  void AddSettingsSection(QStringList& lines) const;

  IUserDialogs& m_dialogs;
  RepairFunction m_repair;
  double m_scale = 1.0;
  std::unique_ptr<TAnchors> m_anchors;
  bool m_dstEdited = false;  // the destination no longer follows the source
  QString m_lastError;       // the engine's last error text in this run
  frontend::RepairReport m_lastReport;  // what the engine reported in this run
  QString m_engineSource;    // the source of the engine call in progress
  QString m_repairedFile;    // what the preview shows: the last file repaired
  QString m_repairedSource;  // the source it was repaired from
  int m_runSerial = 0;       // a late page count of an earlier run is dropped
  QPointer<TPreviewWindow> m_preview;
  AppSettings m_settings;
  FileDialogRequest m_openDialog;
  FileDialogRequest m_saveDialog;
  QString m_helpFile;
  bool m_noPdfProgramTold = false;  // that the desktop cannot open the result
  bool m_running = false;  // cleared by Stop
  RunKind m_runKind = RunKind::none;
  bool m_engineCallActive = false;
  bool m_closeRequested = false;

  // Events run at most every kEventIntervalMs while the engine reports;
  // invalid until they first ran in this run.
  QElapsedTimer m_sinceEvents;
};
