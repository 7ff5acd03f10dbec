#include "AppSettings.h"

#include <QDir>

// The temporary folder as the platform reports it, ending in a separator
// like a folder path that file names are appended to.
QString AppSettings::DefaultTempDir() {
  const QString path = QDir::tempPath();
  if (path.isEmpty()) return {};
  return path.endsWith(u'/') ? path : path + u'/';
}
