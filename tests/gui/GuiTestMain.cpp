// GoogleTest main for the window tests: one QApplication for every test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  // Listing the tests at build time runs this too, without a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // No test may read or write the settings of the user running it.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale::c());  // "1,234,567" whatever the machine's locale
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
