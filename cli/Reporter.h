#pragma once

#include <string>

#include "Console.h"

// notStarted: a file an interrupted batch never reached.
enum class FileStatus { done, failed, interrupted, notStarted };

// What the user reads about each file: the engine's log lines and errors
// on standard error (prefixed with the source when several files run), the
// result of each file and the batch summary on standard output.
class Reporter {
 public:
  Reporter(Console& console, bool quiet, bool severalFiles);

  void LogLine(const std::string& source, const std::string& text);
  void Error(const std::string& source, const std::string& text);
  void FileResult(const std::string& source, const std::string& destination, FileStatus status);
  void Summary(int repaired);

 private:
  std::string Prefixed(const std::string& source, const std::string& text) const;

  Console& m_console;
  bool m_quiet;
  bool m_severalFiles;
};
