#include "DroppedSources.h"

#include <QDir>
#include <QFileInfo>

DroppedSources ExpandDrop(const QStringList& paths) {
  DroppedSources dropped;
  for (const QString& path : paths) {
    if (!QFileInfo(path).isDir()) {
      dropped.files << path;  // any file: a damaged PDF may have lost its extension
      continue;
    }
    // Only the folder's own files: a drop of a home folder must not walk a tree.
    const QDir folder(path);
    const QStringList names = folder.entryList({QStringLiteral("*.pdf")}, QDir::Files,
                                               QDir::Name | QDir::IgnoreCase);
    if (names.isEmpty()) dropped.foldersWithoutPdf << path;
    for (const QString& name : names) dropped.files << folder.filePath(name);
  }
  return dropped;
}

QString SameFileKey(const QString& path) {
  const QFileInfo info(path);
  const QString real = info.canonicalFilePath();
  return real.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : real;
}
