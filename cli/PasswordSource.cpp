#include "PasswordSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>

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
// and the line is short. A line that grows past any password is cut off
// there, still too long; false on a read error.
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

// The terminal as it was before the echo went off; a stop signal during
// the question gives it back before the signal ends the program, so that
// the shell is not left without echo.
termios g_savedTerminal {};
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
using SignalHandler = void (*)(int);
SignalHandler g_previousHandlers[std::size(kStopSignals)] {};

void RestoreAndEnd(int signal) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// A person typing at a terminal is asked, and sees no echo of the password.
class HiddenTyping {
 public:
  explicit HiddenTyping(int fd) {
    if (fd != STDIN_FILENO || isatty(fd) == 0 || tcgetattr(fd, &g_savedTerminal) != 0) return;
    // A signal ignored at the start (nohup) stays ignored.
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
      g_previousHandlers[i] = std::signal(kStopSignals[i], &RestoreAndEnd);
      if (g_previousHandlers[i] == SIG_IGN) std::signal(kStopSignals[i], SIG_IGN);
    }
    termios quiet = g_savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    m_active = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    std::fputs(texts::kPasswordPrompt, stderr);
    std::fflush(stderr);
  }
  ~HiddenTyping() {
    if (!m_active) return;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    for (size_t i = 0; i < std::size(kStopSignals); ++i) std::signal(kStopSignals[i], g_previousHandlers[i]);
    std::fputc('\n', stderr);
  }
  HiddenTyping(const HiddenTyping&) = delete;
  HiddenTyping& operator=(const HiddenTyping&) = delete;

 private:
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
