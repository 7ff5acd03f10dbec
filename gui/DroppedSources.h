#pragma once

#include <QString>
#include <QStringList>

// What a drop on the batch list brings: the files dropped, and for a
// dropped folder the PDF files directly inside it, in name order.
struct DroppedSources {
  QStringList files;
  QStringList foldersWithoutPdf;  // dropped folders that held no PDF file
};

DroppedSources ExpandDrop(const QStringList& paths);

// The key by which two names are the same file: the path with every link
// resolved, or, for a name that is not there (yet), its clean absolute path.
QString SameFileKey(const QString& path);
