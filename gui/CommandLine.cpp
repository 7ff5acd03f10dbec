#include "CommandLine.h"

namespace {

bool IsSwitchFor(const QString& parameter, QChar letter) {
  if (parameter == QStringLiteral("/") + letter.toUpper()) return true;
  return parameter.size() == 2 && parameter.at(0) == u'-' &&
         parameter.at(1).toUpper() == letter.toUpper();
}

}  // namespace

bool IsCommandLineSwitch(const QString& parameter) {
  return parameter.startsWith(u'-') || parameter == QStringLiteral("/O") ||
         parameter == QStringLiteral("/E");
}

CommandLine CommandLine::Parse(const QStringList& parameters) {
  CommandLine line;
  line.parameters = parameters;
  bool sourceFound = false;
  for (const QString& parameter : parameters) {
    if (IsSwitchFor(parameter, u'O')) line.openFixed = true;
    if (IsSwitchFor(parameter, u'E')) line.exitAfter = true;
    if (!sourceFound && !IsCommandLineSwitch(parameter)) {
      line.sourceFile = parameter;
      sourceFound = true;
    }
  }
  return line;
}
