#pragma once

#include <QString>
#include <QStringList>

// Fills a table text's placeholders in order: "%s", "%d" and "%u" take the
// next argument as it is, "%.0n" and "%.2d" take the next argument already
// formatted (by FormatByteCount, or with at least two digits), "%%" is one
// "%". Arguments are never scanned again, so
// a "%" inside a file name stays as it is.
QString FormatText(const QString& pattern, const QStringList& args);

// A byte count with the locale's thousands separator and no decimals.
QString FormatByteCount(qint64 count);

// An elapsed time shown as a time of day by a date-time pattern: text in
// double quotes is literal, h n s z are hours (within the day), minutes,
// seconds and milliseconds, all without leading zeros.
QString FormatElapsed(const QString& pattern, qint64 milliseconds);

// The source path with "_fixed" before its extension. The extension starts
// at the last "." that no "/" follows; without one "_fixed" goes at the end.
QString DefaultDestinationName(const QString& source);

// A path whose first part is "~" starts in the home folder; any other path
// is given back as it is.
QString ExpandHomeFolder(const QString& path);

// The default extension for the 1-based file type `index` of a dialog filter
// written as "description|patterns|description|patterns": the extension of
// the first pattern of that type, or empty for "*" and for a missing type.
QString FilterDefaultExtension(const QString& filter, int index);
