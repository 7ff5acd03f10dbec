#include "Reporter.h"

#include <strings.h>

#include <cstdio>

#include "CliTexts.h"
#include "JsonLine.h"

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

Reporter::Reporter(Console& console, const ReporterSettings& settings)
    : m_console(console), m_settings(settings), m_humanStream(settings.json ? stderr : stdout) {}

std::string Reporter::Prefixed(const std::string& source, const std::string& text) const {
  return m_settings.severalFiles ? source + ": " + text : text;
}

void Reporter::LogLine(const std::string& source, const std::string& text) {
  if (!m_settings.quiet) m_console.PrintLine(stderr, Prefixed(source, text));
}

void Reporter::Error(const std::string& source, const std::string& text) {
  m_console.PrintLine(stderr, Prefixed(source, text));
}

// The JSON line is written whole by this process alone, so lines of files
// repaired at once never mix.
void Reporter::FileResult(const FileOutcome& outcome) {
  if (m_settings.json) m_console.PrintLine(stdout, JsonLine(outcome, m_settings.thorough, m_settings.check));
  if (m_settings.quiet) return;
  if (m_settings.check) return CheckResult(outcome);
  HumanResult(outcome);
  if (outcome.status == FileStatus::done && !outcome.report.Empty()) {
    const std::string summary = frontend::ReportSummary(outcome.report);
    m_console.PrintLine(m_humanStream, m_settings.severalFiles ? "  " + summary : summary);
  }
}

void Reporter::HumanResult(const FileOutcome& outcome) {
  const std::string& source = outcome.source;
  const std::string& destination = outcome.destination;
  if (m_settings.severalFiles) {
    std::string line = "[";
    line.append(StatusWord(outcome.status)).append("] ").append(source).append(" -> ").append(destination);
    m_console.PrintLine(m_humanStream, line);
    return;
  }
  switch (outcome.status) {
    case FileStatus::done:
      m_console.PrintLine(m_humanStream, texts::Formatted(texts::kRepaired, source));
      m_console.PrintLine(m_humanStream, texts::Formatted(HasExeExtension(destination) ? texts::kRunRepaired
                                                                                 : texts::kOpenRepaired,
                                                    destination));
      break;
    case FileStatus::failed: m_console.PrintLine(m_humanStream, texts::Formatted(texts::kRepairFailed, source)); break;
    case FileStatus::interrupted:
    case FileStatus::notStarted: m_console.PrintLine(m_humanStream, texts::kInterrupted); break;
  }
}

// A check names no destination and repairs nothing: the source with what a
// repair would get back.
void Reporter::CheckResult(const FileOutcome& outcome) {
  std::string line;
  switch (outcome.status) {
    case FileStatus::done:
      line = outcome.report.Empty() ? texts::kRecoverable : frontend::ReportSummary(outcome.report);
      break;
    case FileStatus::failed: line = texts::kNothingRecoverable; break;
    case FileStatus::interrupted:
    case FileStatus::notStarted: line = texts::kInterrupted; break;
  }
  m_console.PrintLine(m_humanStream, outcome.source + ": " + line);
}

void Reporter::Summary(int repaired) {
  if (m_settings.quiet || !m_settings.severalFiles || m_settings.check) return;
  char line[128];
  std::snprintf(line, sizeof line, texts::kSummary, repaired);
  m_console.PrintLine(m_humanStream, line);
}
