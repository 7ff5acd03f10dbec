#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Standard output and standard error of the front end. On a terminal it
// keeps one progress line per running file below everything else and
// redraws them in place, at most a few times a second; text lines are
// written above them. Every text is written with its control characters
// escaped.
class Console {
 public:
  explicit Console(bool showProgress);

  void PrintLine(std::FILE* stream, const std::string& line);
  // A line could not be written (a full disk, a closed pipe).
  bool OutputFailed() const { return m_outputFailed; }

  void AddProgress(int id, const std::string& name);
  void SetProgress(int id, int percent);
  void RemoveProgress(int id);

  // Draws changed progress lines once enough time has passed; true while
  // a change still waits to be drawn.
  bool Refresh();

 private:
  struct ProgressLine {
    int id;
    std::string name;
    int percent;
  };

  void Clear();
  void Draw();

  bool m_showProgress;
  std::vector<ProgressLine> m_lines;
  int m_drawnLines = 0;
  bool m_dirty = false;
  bool m_outputFailed = false;
  int64_t m_lastDrawNs = 0;
};
