// The window's frame and its two repair pages, at their fixed positions,
// and how those positions follow the desktop's font and the window's size.
#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTreeWidget>

#include "Anchors.h"
#include "Artwork.h"
#include "BusyAnimation.h"
#include "DragEdit.h"
#include "FileList.h"
#include "FocusStyle.h"
#include "FormControls.h"
#include "GuiStrings.h"
#include "MainForm.h"

namespace {

// Above the buttons of both repair pages: the repair page's preview button
// takes the place below it.
constexpr int kAnimationLeft = 393;
constexpr int kAnimationTop = 146;
constexpr int kColumnWidths[] = {132, 132, 80};

}  // namespace

void TMainForm::CreateFrame() {
  imgBanner = PlaceControl<TBanner>(this, "imgBanner", QRect(0, 0, kClientWidth, 60));
  pcMain = PlaceControl<QTabWidget>(this, "pcMain", QRect(6, 60, 468, 283));
  pcMain->setUsesScrollButtons(false);
  tsRepair = new QWidget;
  tsBatch = new QWidget;
  tsOptions = new QWidget;
  tsAdvOptions = new QWidget;
  tsAbout = new QWidget;
  tsRepair->setObjectName(QStringLiteral("tsRepair"));
  tsBatch->setObjectName(QStringLiteral("tsBatch"));
  tsOptions->setObjectName(QStringLiteral("tsOptions"));
  tsAdvOptions->setObjectName(QStringLiteral("tsAdvOptions"));
  tsAbout->setObjectName(QStringLiteral("tsAbout"));
  pcMain->addTab(tsRepair, GuiString(idsPageRepair));
  pcMain->addTab(tsBatch, GuiString(idsPageBatch));
  pcMain->addTab(tsOptions, GuiString(idsPageOptions));
  const int advanced = pcMain->addTab(tsAdvOptions, GuiString(idsPageAdvanced));
  pcMain->addTab(tsAbout, GuiString(idsPageAbout));
  pcMain->setTabVisible(advanced, false);  // the page exists, the user never reaches it
  pcMain->setCurrentWidget(tsRepair);

  // Gauge and animation lie over the page control, below the pages' controls.
  Panel2 = PlaceControl<QFrame>(this, "Panel2", QRect(16, 311, 347, 21));
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel2->setLineWidth(1);
  Gauge = PlaceControl<QProgressBar>(Panel2, "Gauge", Panel2->contentsRect());
  Gauge->setRange(0, 100);
  Gauge->setValue(0);
  Gauge->setTextVisible(true);
  Gauge->setAlignment(Qt::AlignCenter);
  QFont bold = Gauge->font();
  bold.setBold(true);
  Gauge->setFont(bold);
  Animate = PlaceControl<TBusyAnimation>(this, "Animate",
                                         QRect(kAnimationLeft, kAnimationTop, 48, 48));
  Panel2->raise();
  Animate->raise();
}

void TMainForm::CreateRepairPage() {
  QWidget* page = tsRepair;
  labSelSrcFile = PlaceLabel(page, "labSelSrcFile", QString(), 10, 12);
  txtSrcFile = PlaceControl<TDragEdit>(page, "txtSrcFile", QRect(236, 10, 175, 21));
  btnSrcMore = PlaceButton(page, "btnSrcMore", GuiString(idsMoreButton), QRect(431, 10, 21, 21));
  labSelDstFile = PlaceLabel(page, "labSelDstFile", QString(), 10, 46);
  txtDstFile = PlaceControl<QLineEdit>(page, "txtDstFile", QRect(236, 44, 175, 21));
  btnDstMore = PlaceButton(page, "btnDstMore", GuiString(idsMoreButton), QRect(431, 44, 21, 21));
  Label4 = PlaceLabel(page, "Label4", GuiString(idsLogCaption), 10, 82);
  txtRepairLog = PlaceControl<QPlainTextEdit>(page, "txtRepairLog", QRect(6, 102, 365, 117));
  txtRepairLog->setReadOnly(true);
  txtRepairLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  btnPreview = PlaceButton(page, "btnPreview", GuiString(idsPreview), QRect(379, 134, 81, 25));
  btnPreview->setEnabled(false);  // until a repair succeeded
  btnRepair = PlaceButton(page, "btnRepair", GuiString(idsStartRepair), QRect(379, 164, 81, 25));
  btnRepair->setEnabled(false);
  btnSaveLog = PlaceButton(page, "btnSaveLog", GuiString(idsSaveLog), QRect(379, 194, 81, 25));
  btnHelp = PlaceButton(page, "btnHelp", GuiString(idsHelp), QRect(379, 224, 81, 25));
  labSelSrcFile->setBuddy(txtSrcFile);
  labSelDstFile->setBuddy(txtDstFile);
}

void TMainForm::CreateBatchPage() {
  QWidget* page = tsBatch;
  Label9 = PlaceLabel(page, "Label9", GuiString(idsFileListCaption), 10, 6);
  FileList = PlaceControl<TFileList>(page, "FileList", QRect(6, 24, 365, 195));
  FileList->setHeaderLabels(
      {GuiString(idsColumnSource), GuiString(idsColumnDestination), GuiString(idsColumnStatus)});
  FileList->SetDesignColumns({kColumnWidths[0], kColumnWidths[1], kColumnWidths[2]});
  FileList->header()->setSectionResizeMode(QHeaderView::Interactive);
  FileList->header()->setStretchLastSection(false);
  FileList->setRootIsDecorated(false);  // a flat list, as a report-style list view
  FileList->setItemsExpandable(false);
  FileList->setUniformRowHeights(true);
  FileList->setAllColumnsShowFocus(true);
  FileList->setSelectionMode(QAbstractItemView::SingleSelection);
  FileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FileList->installEventFilter(this);
  btnRepairFiles =
      PlaceButton(page, "btnRepairFiles", GuiString(idsStartRepair), QRect(379, 134, 81, 25));
  btnAddFiles = PlaceButton(page, "btnAddFiles", GuiString(idsAddFiles), QRect(379, 164, 81, 25));
  btnRemoveFiles =
      PlaceButton(page, "btnRemoveFiles", GuiString(idsRemoveFiles), QRect(379, 194, 81, 25));
  btnRemoveAll =
      PlaceButton(page, "btnRemoveAll", GuiString(idsRemoveAll), QRect(379, 224, 81, 25));
  Label9->setBuddy(FileList);
}

// Positions and sizes grow by the font's factor; labels then take the size
// of their text in that font.
void TMainForm::ScaleForFont() {
  setMinimumSize(qRound(kClientWidth * m_scale), qRound(kClientHeight * m_scale));
  resize(minimumSize());
  if (m_scale == 1.0) return;
  ScaleControls(this, m_scale);
  ScaleControls(Panel2, m_scale);
  for (QWidget* page : {tsRepair, tsBatch, tsOptions, tsAdvOptions, tsAbout}) {
    ScaleControls(page, m_scale);
  }
  for (QLabel* label : findChildren<QLabel*>()) {
    if (label != imgIcon) label->adjustSize();
  }
  QList<int> columns;
  for (const int width : kColumnWidths) columns << qRound(width * m_scale);
  FileList->SetDesignColumns(columns);
}

// The log and the batch list take what the window grows by; the buttons
// beside them keep to the bottom right, the file fields widen.
void TMainForm::SetAnchors() {
  m_anchors = std::make_unique<TAnchors>(minimumSize());
  m_anchors->Add(imgBanner, akLeft | akTop | akRight);
  m_anchors->Add(pcMain, akLeft | akTop | akRight | akBottom);
  m_anchors->Add(Panel2, akLeft | akRight | akBottom);
  m_anchors->Add(Gauge, akLeft | akTop | akRight);
  m_anchors->Add(Animate, akRight | akBottom);
  for (QWidget* field : {static_cast<QWidget*>(txtSrcFile), static_cast<QWidget*>(txtDstFile)}) {
    m_anchors->Add(field, akLeft | akTop | akRight);
  }
  m_anchors->Add(btnSrcMore, akTop | akRight);
  m_anchors->Add(btnDstMore, akTop | akRight);
  m_anchors->Add(txtRepairLog, akLeft | akTop | akRight | akBottom);
  m_anchors->Add(FileList, akLeft | akTop | akRight | akBottom);
  for (QWidget* button : {btnPreview, btnRepair, btnSaveLog, btnHelp, btnRepairFiles, btnAddFiles,
                          btnRemoveFiles, btnRemoveAll}) {
    m_anchors->Add(button, akRight | akBottom);
  }
}

// Tooltips and names for assistive technology where a caption says little.
void TMainForm::AddHints() {
  btnSrcMore->setToolTip(GuiString(idsSourceMoreHint));
  btnSrcMore->setAccessibleName(GuiString(idsSourceMoreHint));
  btnDstMore->setToolTip(GuiString(idsDestinationMoreHint));
  btnDstMore->setAccessibleName(GuiString(idsDestinationMoreHint));
  btnPreview->setToolTip(GuiString(idsPreviewHint));
  chkThorough->setToolTip(GuiString(idsThoroughHint));
  ShowFocusOf(pcMain, txtRepairLog);
}
