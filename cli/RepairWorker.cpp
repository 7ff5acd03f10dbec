#include "RepairWorker.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

#include "EngineCall.h"
#include "StopSignals.h"
#include "WorkerProtocol.h"

namespace {

// The engine may report many thousand times a second: the clock is read
// only every few thousand messages and a progress record goes out at most
// five times a second.
constexpr unsigned kMessagesBetweenClockReads = 4096;
constexpr int64_t kProgressIntervalNs = 200'000'000;

int64_t MonotonicNs() {
  timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The job's events as records on the pipe to the front end.
class WorkerEvents : public frontend::RepairEvents {
 public:
  WorkerEvents(int fd, const WorkerTask& task) : m_fd(fd), m_sendProgress(task.sendProgress), m_password(task.password) {}

  // A new percentage is worth a look at the clock; a repeated one only now
  // and then.
  void Progress(int percent) override {
    if (!m_sendProgress) return;
    if (percent == m_percent && ++m_messagesSinceClock < kMessagesBetweenClockReads) return;
    m_percent = percent;
    SendProgressIfDue();
  }
  void LogLine(const std::string& text) override { Send(RecordKind::logLine, text); }
  void Error(const std::string& text) override { Send(RecordKind::error, text); }
  void Report(const frontend::RepairReport& report) override { Send(RecordKind::report, report.Text()); }
  bool StopWanted() override { return StopRequested() || m_frontEndGone; }
  // The password is offered once: a second query means it did not open the
  // source, and asking again would only give the same bytes.
  bool PasswordWanted(int attempt, frontend::PasswordAnswer& answer) override {
    return attempt == 1 && answer.Assign(m_password.data(), m_password.size());
  }

 private:
  void Send(RecordKind kind, const std::string& data) {
    if (!m_frontEndGone && !WriteRecord(m_fd, kind, data.data(), data.size())) {
      m_frontEndGone = true;  // nobody to write for: stop the run
    }
  }

  void SendProgressIfDue() {
    m_messagesSinceClock = 0;
    const int64_t now = MonotonicNs();
    if (m_percent == m_lastSentPercent || now - m_lastSentNs < kProgressIntervalNs) return;
    m_lastSentPercent = m_percent;
    m_lastSentNs = now;
    Send(RecordKind::progress, std::string(1, static_cast<char>(m_percent)));
  }

  int m_fd;
  bool m_sendProgress;
  std::string_view m_password;
  bool m_frontEndGone = false;
  unsigned m_messagesSinceClock = 0;
  int m_percent = 0;
  int m_lastSentPercent = -1;
  int64_t m_lastSentNs = 0;
};

[[noreturn]] void RunWorker(const WorkerTask& task, int fd, pid_t frontEnd) {
  // A front end that dies unexpectedly ends its workers too, with a signal
  // they cannot catch: the engine may be crossing a stretch without tokens.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != frontEnd) _exit(1);
  UnblockStopSignals();
  WorkerEvents events(fd, task);
  const int result = frontend::CallEngine(task.source, task.target, task.versionOption, events);
  _exit(result != 0 ? 0 : 1);
}

}  // namespace

std::optional<StartedWorker> StartWorker(const WorkerTask& task) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  const pid_t frontEnd = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    const int error = errno;
    close(fds[0]);
    close(fds[1]);
    errno = error;
    return std::nullopt;
  }
  if (pid == 0) {
    close(fds[0]);
    RunWorker(task, fds[1], frontEnd);
  }
  close(fds[1]);
  return StartedWorker{pid, fds[0]};
}
