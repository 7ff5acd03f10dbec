#include "Console.h"

#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "TerminalText.h"

namespace {

constexpr int64_t kRedrawIntervalNs = 150'000'000;

int64_t MonotonicNs() {
  timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

winsize TerminalSize() {
  winsize size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) {
    size.ws_col = 80;
    size.ws_row = 24;
  }
  return size;
}

// The tail of a name that fits in the columns: a wrapped progress line
// would break the redraw in place. Non-ASCII characters count two columns.
std::string FitName(const std::string& name, size_t columns) {
  size_t width = 0;
  size_t start = name.size();
  while (start > 0) {
    size_t begin = start - 1;
    while (begin > 0 && (static_cast<unsigned char>(name[begin]) & 0xC0) == 0x80) --begin;
    const size_t charWidth = static_cast<unsigned char>(name[begin]) < 0x80 ? 1 : 2;
    if (width + charWidth > columns) return "..." + name.substr(start);
    width += charWidth;
    start = begin;
  }
  return name;
}

}  // namespace

Console::Console(bool showProgress) : m_showProgress(showProgress) {}

void Console::PrintLine(std::FILE* stream, const std::string& line) {
  Clear();
  const std::string text = PrintableText(line) + '\n';
  if (std::fputs(text.c_str(), stream) == EOF || std::fflush(stream) != 0) m_outputFailed = true;
  if (!m_lines.empty()) Draw();
}

void Console::AddProgress(int id, const std::string& name) {
  if (!m_showProgress) return;
  m_lines.push_back({id, PrintableText(name), 0});
  Clear();
  Draw();
}

void Console::SetProgress(int id, int percent) {
  for (ProgressLine& line : m_lines) {
    if (line.id == id && line.percent != percent) {
      line.percent = percent;
      m_dirty = true;
    }
  }
}

void Console::RemoveProgress(int id) {
  const auto removed = std::remove_if(m_lines.begin(), m_lines.end(),
                                      [id](const ProgressLine& line) { return line.id == id; });
  if (removed == m_lines.end()) return;
  m_lines.erase(removed, m_lines.end());
  Clear();
  Draw();
}

bool Console::Refresh() {
  if (!m_dirty) return false;
  if (MonotonicNs() - m_lastDrawNs < kRedrawIntervalNs) return true;
  Clear();
  Draw();
  return false;
}

void Console::Clear() {
  if (m_drawnLines == 0) return;
  // Back to the first progress line, and erase from there down.
  std::fprintf(stderr, "\x1b[%dA\r\x1b[J", m_drawnLines);
  m_drawnLines = 0;
}

void Console::Draw() {
  // Lines that scrolled off the screen could not be redrawn in place.
  const winsize size = TerminalSize();
  const size_t shown = std::min<size_t>(m_lines.size(), size.ws_row > 2 ? size.ws_row - 2u : 1u);
  const size_t nameColumns = size.ws_col > 12 ? size.ws_col - 12u : 1u;  // room for "100%  ..."
  for (size_t i = 0; i < shown; ++i) {
    const ProgressLine& line = m_lines[i];
    std::fprintf(stderr, "%3d%%  %s\n", line.percent, FitName(line.name, nameColumns).c_str());
  }
  std::fflush(stderr);
  m_drawnLines = static_cast<int>(shown);
  m_dirty = false;
  m_lastDrawNs = MonotonicNs();
}
