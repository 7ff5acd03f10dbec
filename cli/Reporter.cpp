#include "Reporter.h"

#include <strings.h>

#include <cstdio>

#include "CliTexts.h"

namespace {

bool HasExeExtension(const std::string& path) {
  return path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".exe") == 0;
}

const char* StatusWord(FileStatus status) {
  switch (status) {
    case FileStatus::done: return texts::kStatusDone;
    case FileStatus::interrupted: return texts::kStatusInterrupted;
    case FileStatus::notStarted: return texts::kStatusNotRepaired;
    case FileStatus::failed: break;
  }
  return texts::kStatusFailed;
}

}  // namespace

Reporter::Reporter(Console& console, bool quiet, bool severalFiles)
    : m_console(console), m_quiet(quiet), m_severalFiles(severalFiles) {}

std::string Reporter::Prefixed(const std::string& source, const std::string& text) const {
  return m_severalFiles ? source + ": " + text : text;
}

void Reporter::LogLine(const std::string& source, const std::string& text) {
  if (!m_quiet) m_console.PrintLine(stderr, Prefixed(source, text));
}

void Reporter::Error(const std::string& source, const std::string& text) {
  m_console.PrintLine(stderr, Prefixed(source, text));
}

void Reporter::FileResult(const std::string& source, const std::string& destination,
                          FileStatus status) {
  if (m_quiet) return;
  if (m_severalFiles) {
    std::string line = "[";
    line.append(StatusWord(status)).append("] ").append(source).append(" -> ").append(destination);
    m_console.PrintLine(stdout, line);
    return;
  }
  switch (status) {
    case FileStatus::done:
      m_console.PrintLine(stdout, texts::Formatted(texts::kRepaired, source));
      m_console.PrintLine(stdout, texts::Formatted(HasExeExtension(destination) ? texts::kRunRepaired
                                                                      : texts::kOpenRepaired,
                                         destination));
      break;
    case FileStatus::failed: m_console.PrintLine(stdout, texts::Formatted(texts::kRepairFailed, source)); break;
    case FileStatus::interrupted:
    case FileStatus::notStarted: m_console.PrintLine(stdout, texts::kInterrupted); break;
  }
}

void Reporter::Summary(int repaired) {
  if (m_quiet || !m_severalFiles) return;
  char line[128];
  std::snprintf(line, sizeof line, texts::kSummary, repaired);
  m_console.PrintLine(stdout, line);
}
