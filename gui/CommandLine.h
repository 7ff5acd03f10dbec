#pragma once

#include <QString>
#include <QStringList>

// The program's command line after Qt took its own options. Parameters that
// begin with "-", and the exact parameters "/O" and "/E", are switches;
// every other parameter (absolute paths included) names a file.
struct CommandLine {
  QStringList parameters;  // all of them, program name excluded
  QString sourceFile;      // the first file parameter; empty when none
  bool openFixed = false;  // switch O: open the repaired file
  bool exitAfter = false;  // switch E: end the program after the repair

  static CommandLine Parse(const QStringList& parameters);
};

bool IsCommandLineSwitch(const QString& parameter);
