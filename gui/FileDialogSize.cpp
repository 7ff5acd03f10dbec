#include "FileDialogSize.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>
#include <algorithm>

namespace {

// Room for the window frame the window manager adds around a dialog.
constexpr int kFrameAllowance = 48;
// In average characters and lines of the dialog's font: a name of some 50
// characters with the size, type and date beside it, and some 20 rows.
constexpr int kWidthInCharacters = 112;
constexpr int kHeightInLines = 32;

QRect FreeArea(QWidget* owner) {
  QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  return screen->availableGeometry().adjusted(0, 0, -kFrameAllowance, -kFrameAllowance);
}

// The places on the left keep their names whole too: the splitter takes
// what they need from the list.
void FitSidebar(QFileDialog& dialog) {
  auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
  auto* sidebar = dialog.findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
  if (splitter == nullptr || sidebar == nullptr || splitter->count() < 2) return;
  const int wanted = sidebar->sizeHintForColumn(0) + sidebar->width() - sidebar->viewport()->width();
  QList<int> sizes = splitter->sizes();
  if (sizes[0] >= wanted || sizes[0] == 0) return;  // a sidebar the user closed stays closed
  sizes[1] -= wanted - sizes[0];
  sizes[0] = wanted;
  splitter->setSizes(sizes);
}

// Size, type and date take what their texts need, the name the rest; a
// name that does not fit widens the dialog as far as the screen allows.
void FitColumns(QFileDialog& dialog, QTreeView& tree, const QRect& room) {
  QHeaderView* header = tree.header();
  const QAbstractItemView& view = tree;  // where a column's size hint is public
  int others = 0;
  for (int column = 1; column < header->count(); ++column) {
    if (header->isSectionHidden(column)) continue;
    const int width = std::max(view.sizeHintForColumn(column), header->sectionSizeHint(column));
    header->resizeSection(column, width);
    others += width;
  }
  const int name = std::max(view.sizeHintForColumn(0), header->sectionSizeHint(0));
  int viewport = tree.viewport()->width();
  const int grow = std::clamp(name + others - viewport, 0, std::max(0, room.width() - dialog.width()));
  if (grow > 0) {
    // Wider on both sides, and never off the screen.
    const QRect frame = dialog.frameGeometry();
    const int left = std::clamp(frame.left() - grow / 2, room.left(),
                                std::max(room.left(), room.right() + kFrameAllowance - frame.width() - grow));
    dialog.resize(dialog.width() + grow, dialog.height());
    dialog.move(left, frame.top());
    viewport += grow;
  }
  header->resizeSection(0, std::max(header->sectionSizeHint(0), viewport - others));
}

}  // namespace

void SizeFileDialog(QFileDialog& dialog, QWidget* owner) {
  const QRect room = FreeArea(owner);
  if (room.isEmpty()) return;
  const QFontMetrics metrics(dialog.font());
  const QSize wanted(metrics.averageCharWidth() * kWidthInCharacters, metrics.lineSpacing() * kHeightInLines);
  dialog.resize(wanted.expandedTo(dialog.sizeHint()).boundedTo(room.size()).expandedTo(dialog.minimumSizeHint()));
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  auto* model = dialog.findChild<QFileSystemModel*>();
  if (view == nullptr || model == nullptr) return;
  QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog,
                   [&dialog, view, room] {
                     FitSidebar(dialog);
                     FitColumns(dialog, *view, room);
                   });
}
