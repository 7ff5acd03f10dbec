#include "TextFormat.h"

#include <QDir>
#include <QLocale>

namespace {

// Length of the placeholder that starts at `at`, or 0 when none does. The
// precision forms take a number the caller has already formatted.
qsizetype PlaceholderLength(const QString& pattern, qsizetype at) {
  static const QString kForms[] = {QStringLiteral("%s"), QStringLiteral("%d"), QStringLiteral("%u"),
                                   QStringLiteral("%.0n"), QStringLiteral("%.2d")};
  for (const QString& form : kForms) {
    if (QStringView(pattern).mid(at, form.size()) == form) return form.size();
  }
  return 0;
}

}  // namespace

QString FormatText(const QString& pattern, const QStringList& args) {
  QString result;
  qsizetype next = 0;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    if (pattern.at(i) != u'%') {
      result += pattern.at(i);
    } else if (i + 1 < pattern.size() && pattern.at(i + 1) == u'%') {
      result += u'%';
      ++i;
    } else if (const qsizetype length = PlaceholderLength(pattern, i); length > 0) {
      result += next < args.size() ? args.at(next) : QString();
      ++next;
      i += length - 1;
    } else {
      result += pattern.at(i);
    }
  }
  return result;
}

QString FormatByteCount(qint64 count) {
  QLocale locale;  // the default locale: the system's unless a test set one
  locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
  return locale.toString(count);
}

QString FormatElapsed(const QString& pattern, qint64 milliseconds) {
  const qint64 withinDay = milliseconds % (24LL * 60 * 60 * 1000);
  const qint64 hours = withinDay / 3'600'000;
  const qint64 minutes = withinDay / 60'000 % 60;
  const qint64 seconds = withinDay / 1000 % 60;
  const qint64 millis = withinDay % 1000;
  QString result;
  bool literal = false;
  for (const QChar c : pattern) {
    if (c == u'"') {
      literal = !literal;
    } else if (literal) {
      result += c;
    } else if (c == u'h' || c == u'H') {
      result += QString::number(hours);
    } else if (c == u'n' || c == u'N') {
      result += QString::number(minutes);
    } else if (c == u's' || c == u'S') {
      result += QString::number(seconds);
    } else if (c == u'z' || c == u'Z') {
      result += QString::number(millis);
    } else {
      result += c;
    }
  }
  return result;
}

QString DefaultDestinationName(const QString& source) {
  const qsizetype dot = source.lastIndexOf(u'.');
  const qsizetype slash = source.lastIndexOf(u'/');
  if (dot < 0 || slash > dot) return source + QStringLiteral("_fixed");
  return source.left(dot) + QStringLiteral("_fixed") + source.mid(dot);
}

QString ExpandHomeFolder(const QString& path) {
  if (path == QStringLiteral("~")) return QDir::homePath();
  if (path.startsWith(QStringLiteral("~/"))) return QDir::homePath() + path.mid(1);
  return path;
}

QString FilterDefaultExtension(const QString& filter, int index) {
  const QStringList parts = filter.split(u'|');
  const qsizetype patternsAt = 2 * static_cast<qsizetype>(index) - 1;
  if (index < 1 || patternsAt >= parts.size()) return {};
  const QString firstPattern = parts.at(patternsAt).section(u';', 0, 0);
  const qsizetype dot = firstPattern.lastIndexOf(u'.');
  const QString extension = dot < 0 ? QString() : firstPattern.mid(dot + 1);
  return extension == QStringLiteral("*") ? QString() : extension;
}
