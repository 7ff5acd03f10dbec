#include "HelpWindow.h"

#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QUrl>

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
  setSource(QUrl::fromLocalFile(helpFile));
  QSize size = kWindowSize;
  if (QScreen* shown = parent != nullptr ? parent->screen() : screen()) {
    size = size.boundedTo(shown->availableGeometry().size() * 9 / 10);
  }
  resize(size);
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
