// tessaly: the desktop program that repairs damaged PDF files.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "DesktopStyle.h"
#include "MainForm.h"
#include "UserDialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);  // takes Qt's own options off the command line
  // The window speaks Simplified Chinese, so Qt's own dialog texts should too
  // when their translation is installed.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                   QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTexts);
  }
  UseDesktopStyle();  // over the style the desktop or "-style" chose
  QtUserDialogs dialogs;
  TMainForm form(dialogs);  // in the desktop's font, as every dialog
  form.show();
  if (form.RunCommandLine(QApplication::arguments().mid(1)) || !form.isVisible()) return 0;
  return QApplication::exec();
}
