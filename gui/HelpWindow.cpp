#include "HelpWindow.h"

#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QUrl>
#include <algorithm>

#include "GuiStrings.h"
#include "UserDialogs.h"

namespace {

const QSize kWindowSize(720, 600);

}  // namespace

THelpWindow::THelpWindow(const QString& helpFile, QWidget* parent) : QTextBrowser(parent) {
  setWindowFlag(Qt::Window);
  setObjectName(QStringLiteral("HelpWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(GuiString(idsHelpTitle));
  setOpenExternalLinks(true);
  // The page sets its own colours for a white page, as a browser shows it:
  // on a dark desktop palette its headings would not be read.
  QPalette page = palette();
  page.setColor(QPalette::Base, Qt::white);
  page.setColor(QPalette::Text, Qt::black);
  setPalette(page);
  setSource(QUrl::fromLocalFile(helpFile));
  QSize size = kWindowSize;
  QScreen* shown = parent != nullptr ? parent->screen() : screen();
  if (shown != nullptr) size = size.boundedTo(shown->availableGeometry().size() * 9 / 10);
  resize(size);
  if (parent != nullptr && shown != nullptr) {
    // Over the main window, but never partly off its screen.
    const QRect screen = shown->availableGeometry();
    QRect placed(parent->geometry().center() - rect().center(), size);
    placed.moveLeft(std::clamp(placed.left(), screen.left(), std::max(screen.left(), screen.right() - placed.width())));
    placed.moveTop(std::clamp(placed.top(), screen.top(), std::max(screen.top(), screen.bottom() - placed.height())));
    move(placed.topLeft());
  }
}

void THelpWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QTextBrowser::keyPressEvent(event);
}

// The launcher tells only when it ends whether it could open the page.
void ShowHelp(IUserDialogs& dialogs, QWidget* owner, const QString& helpFile) {
  const QPointer<QWidget> window(owner);
  dialogs.Launch(helpFile, [window, helpFile](bool succeeded) {
    if (succeeded || window == nullptr) return;
    auto* help = window->findChild<THelpWindow*>(QStringLiteral("HelpWindow"), Qt::FindDirectChildrenOnly);
    if (help == nullptr) help = new THelpWindow(helpFile, window);
    help->show();
    help->raise();
    help->activateWindow();
  });
}
