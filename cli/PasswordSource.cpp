#include "PasswordSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CliTexts.h"
#include "TerminalText.h"
#include "tesscore/tesscore.h"

namespace {

// A first line longer than this is too long even without its CR.
constexpr size_t kLongestLine = TESSCORE_PASSWORD_MAX + 1;

bool Refuse(const char* pattern, const std::string& shownName, const char* reason = "") {
  std::fprintf(stderr, pattern, PrintableText(shownName).c_str(), reason);
  return false;
}

// Byte by byte: nothing after the first line is taken from standard input,
// and the line is short. False when it grows past any password.
bool ReadFirstLine(int fd, std::string& line, int& error) {
  char byte = 0;
  while (line.size() <= kLongestLine) {
    const ssize_t got = read(fd, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = errno;
      return false;
    }
    if (got == 0 || byte == '\n') {
      if (got == 1 && !line.empty() && line.back() == '\r') line.pop_back();
      byte = 0;
      return true;
    }
    line.push_back(byte);
  }
  byte = 0;
  return true;
}

// A person typing at a terminal is asked, and sees no echo of the password.
class HiddenTyping {
 public:
  explicit HiddenTyping(int fd) : m_fd(fd) {
    if (isatty(fd) == 0 || tcgetattr(fd, &m_saved) != 0) return;
    termios quiet = m_saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    m_active = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    std::fputs(texts::kPasswordPrompt, stderr);
    std::fflush(stderr);
  }
  ~HiddenTyping() {
    if (!m_active) return;
    tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    std::fputc('\n', stderr);
  }
  HiddenTyping(const HiddenTyping&) = delete;
  HiddenTyping& operator=(const HiddenTyping&) = delete;

 private:
  int m_fd;
  termios m_saved {};
  bool m_active = false;
};

// Opened without waiting, so that a FIFO is refused instead of blocking.
int OpenPasswordFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) {
      Refuse(texts::kPasswordFileMissing, path);
    } else {
      Refuse(texts::kPasswordFileUnreadable, path, std::strerror(error));
    }
    return -1;
  }
  struct stat info {};
  const bool known = fstat(fd, &info) == 0;
  if (known && S_ISREG(info.st_mode)) return fd;
  close(fd);
  if (known && S_ISDIR(info.st_mode)) {
    Refuse(texts::kPasswordFileIsFolder, path);
  } else {
    Refuse(texts::kPasswordFileNotRegular, path);
  }
  return -1;
}

bool ReadFrom(int fd, const std::string& shownName, std::string& password) {
  int error = 0;
  bool read = false;
  {
    const HiddenTyping typing(fd);
    read = ReadFirstLine(fd, password, error);
  }
  if (!read) return Refuse(texts::kPasswordFileUnreadable, shownName, std::strerror(error));
  if (password.empty()) return Refuse(texts::kPasswordFileEmpty, shownName);
  if (password.size() > TESSCORE_PASSWORD_MAX) return Refuse(texts::kPasswordTooLong, "");
  return true;
}

}  // namespace

bool ReadPasswordFile(const std::string& path, std::string& password) {
  password.reserve(kLongestLine + 1);  // no reallocation leaves a copy behind
  if (path == "-") {
    const bool read = ReadFrom(STDIN_FILENO, texts::kStandardInput, password);
    if (!read) WipePassword(password);
    return read;
  }
  const int fd = OpenPasswordFile(path);
  if (fd < 0) return false;
  const bool read = ReadFrom(fd, path, password);
  close(fd);
  if (!read) WipePassword(password);
  return read;
}

void WipePassword(std::string& password) {
  explicit_bzero(password.data(), password.capacity());
  password.clear();
}
