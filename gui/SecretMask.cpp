#include "SecretMask.h"

#include <QRegularExpression>

namespace {

const QString kMask = QStringLiteral("******");

bool IsSecretName(QStringView name) {
  static const QRegularExpression secret(
      QStringLiteral("TOKEN|SECRET|PASSWORD|PASSWD|KEY|CREDENTIAL|AUTH|COOKIE|SESSION"),
      QRegularExpression::CaseInsensitiveOption);
  return secret.match(name).hasMatch();
}

bool IsAddressName(QStringView name) {
  static const QRegularExpression address(QStringLiteral("URL|DSN|WEBHOOK|PROXY"),
                                          QRegularExpression::CaseInsensitiveOption);
  return address.match(name).hasMatch();
}

bool IsWebhookName(QStringView name) {
  return name.contains(QStringLiteral("WEBHOOK"), Qt::CaseInsensitive);
}

// "scheme://user:password@": a password cannot hold "/", "?", "#" or "@"
// unencoded, so it ends at the first of them.
QString MaskUserPasswords(QString value) {
  static const QRegularExpression userInfo(
      QStringLiteral("([A-Za-z][A-Za-z0-9+.\\-]*://[^:/?#@\\s]*):[^/?#@\\s]*@"));
  return value.replace(userInfo, QStringLiteral("\\1:") + kMask + u'@');
}

// "name=value" pairs inside a value: a query string, a connection string.
QString MaskSecretParameters(QString value) {
  static const QRegularExpression parameter(
      QStringLiteral("((?:^|[?&;,\\s])(?:password|passwd|pwd|pass|secret|client_secret|token|access_token|"
                     "api_?key|apikey|key|sig|signature|auth)=)[^&;,\\s]+"),
      QRegularExpression::CaseInsensitiveOption);
  return value.replace(parameter, QStringLiteral("\\1") + kMask);
}

enum class CharClass { Capital, Small, Digit, Other };

CharClass ClassOf(QChar c) {
  if (c >= u'A' && c <= u'Z') return CharClass::Capital;
  if (c >= u'a' && c <= u'z') return CharClass::Small;
  if (c >= u'0' && c <= u'9') return CharClass::Digit;
  return CharClass::Other;
}

// Random base64 changes between capitals, small letters and digits at
// about two characters in three; words and paths do it far less often.
bool LooksRandom(QStringView run) {
  bool seen[4] = {};
  int changes = 0;
  for (qsizetype i = 0; i < run.size(); ++i) {
    seen[static_cast<int>(ClassOf(run[i]))] = true;
    if (i > 0 && ClassOf(run[i]) != ClassOf(run[i - 1])) ++changes;
  }
  const bool mixed = seen[static_cast<int>(CharClass::Capital)] && seen[static_cast<int>(CharClass::Small)] &&
                     seen[static_cast<int>(CharClass::Digit)];
  return mixed && changes * 3 >= run.size();
}

constexpr qsizetype kShortestBase64Key = 24;

// A run of base64 that starts like a path is judged folder by folder.
bool IsBase64Key(QStringView run) {
  if (run.startsWith(u'/') || run.startsWith(u'.') || run.startsWith(u'~')) {
    for (QStringView part : run.split(u'/')) {
      if (part.size() >= kShortestBase64Key && LooksRandom(part)) return true;
    }
    return false;
  }
  return LooksRandom(run);
}

QString MaskKeyLikeRuns(const QString& value) {
  static const QRegularExpression hex(QStringLiteral("(?<![A-Za-z0-9])[0-9A-Fa-f]{32,}(?![A-Za-z0-9])"));
  static const QRegularExpression base64(
      QStringLiteral("(?<![A-Za-z0-9+/_\\-])[A-Za-z0-9+/_\\-]{%1,}={0,2}").arg(kShortestBase64Key));
  QString masked = value;
  masked.replace(hex, kMask);
  QString result;
  qsizetype done = 0;
  for (auto matches = base64.globalMatch(masked); matches.hasNext();) {
    const QRegularExpressionMatch run = matches.next();
    if (!IsBase64Key(run.capturedView())) continue;
    result += QStringView(masked).mid(done, run.capturedStart() - done);
    result += kMask;
    done = run.capturedEnd();
  }
  return result + masked.mid(done);
}

// An address carries a token in its user name, path or query: a long
// stretch that mixes letters and digits. A webhook's whole address past
// the host is its credential.
bool CarriesToken(QStringView name, const QString& value) {
  static const QRegularExpression stretch(QStringLiteral("[A-Za-z0-9_\\-]{16,}"));
  for (auto matches = stretch.globalMatch(value); matches.hasNext();) {
    bool letters = false;
    bool digits = false;
    for (const QChar c : matches.next().capturedView()) {
      letters = letters || ClassOf(c) == CharClass::Capital || ClassOf(c) == CharClass::Small;
      digits = digits || ClassOf(c) == CharClass::Digit;
    }
    if (letters && digits) return true;
  }
  static const QRegularExpression pastHost(QStringLiteral("://[^/?#]+[/?#][^\\s]"));
  return IsWebhookName(name) && pastHost.match(value).hasMatch();
}

}  // namespace

QString MaskedEnvironmentEntry(const QString& entry) {
  const qsizetype equals = entry.indexOf(u'=', 1);  // a name may begin with "="
  if (equals < 0) return entry;
  const QString name = entry.left(equals);
  const QString value = entry.mid(equals + 1);
  if (IsSecretName(name)) return name + u'=' + kMask;
  const QString withoutPasswords = MaskUserPasswords(value);
  const QString masked = MaskKeyLikeRuns(MaskSecretParameters(withoutPasswords));
  if (IsAddressName(name) && (masked != withoutPasswords || CarriesToken(name, withoutPasswords))) {
    return name + u'=' + kMask;
  }
  return name + u'=' + masked;
}
