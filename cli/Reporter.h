#pragma once

#include <string>

#include "Console.h"
#include "RepairReport.h"

// notStarted: a file an interrupted batch never reached.
enum class FileStatus { done, failed, interrupted, notStarted };

// One file's end: its status, what the engine reported, its last error.
struct FileOutcome {
  std::string source;
  std::string destination;
  FileStatus status = FileStatus::failed;
  frontend::RepairReport report;
  std::string error;  // the last error text, as the user read it
  double seconds = 0;
};

struct ReporterSettings {
  bool quiet = false;
  bool severalFiles = false;
  bool json = false;   // a JSON line per source on standard output; human texts on standard error
  bool check = false;  // nothing is written: no destination, no repair result
  bool thorough = true;
};

// What the user reads about each file: the engine's log lines and errors
// on standard error (prefixed with the source when several files run), the
// result of each file with its summary and the batch summary on standard
// output, or on standard error where standard output carries JSON.
class Reporter {
 public:
  Reporter(Console& console, const ReporterSettings& settings);

  void LogLine(const std::string& source, const std::string& text);
  void Error(const std::string& source, const std::string& text);
  void FileResult(const FileOutcome& outcome);
  void Summary(int repaired);

 private:
  std::string Prefixed(const std::string& source, const std::string& text) const;
  void HumanResult(const FileOutcome& outcome);
  void CheckResult(const FileOutcome& outcome);

  Console& m_console;
  ReporterSettings m_settings;
  std::FILE* m_humanStream;
};
