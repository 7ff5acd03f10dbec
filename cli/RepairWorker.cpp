#include "RepairWorker.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "StopSignals.h"
#include "WorkerProtocol.h"
#include "tesscore/tesscore.h"

namespace {

// The engine asks and reports for every token, millions of times per file:
// the clock is read only every few thousand messages and a progress record
// goes out at most five times a second.
constexpr unsigned kMessagesBetweenClockReads = 4096;
constexpr int64_t kProgressIntervalNs = 200'000'000;

struct WorkerState {
  int fd = -1;
  bool sendProgress = false;
  std::string_view password;
  bool frontEndGone = false;
  unsigned messagesSinceClock = 0;
  uint8_t percent = 0;
  int lastSentPercent = -1;
  int64_t lastSentNs = 0;
};

int64_t MonotonicNs() {
  timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void Send(WorkerState& state, RecordKind kind, const char* data, size_t size) {
  if (!state.frontEndGone && !WriteRecord(state.fd, kind, data, size)) {
    state.frontEndGone = true;  // nobody to write for: stop the run
  }
}

// Out of line, so that the per-token path below needs no stack frame.
[[gnu::noinline]] int32_t OnProgressDue(WorkerState& state) {
  state.messagesSinceClock = 0;
  const int64_t now = MonotonicNs();
  if (state.percent == state.lastSentPercent || now - state.lastSentNs < kProgressIntervalNs) return 0;
  state.lastSentPercent = state.percent;
  state.lastSentNs = now;
  const char byte = static_cast<char>(state.percent);
  Send(state, RecordKind::progress, &byte, 1);
  return 0;
}

[[gnu::noinline]] int32_t OnTextMessage(WorkerState& state, int32_t code, const void* data) {
  if (code != msgLogLine && code != msgError) return 0;
  const char* text = static_cast<const char*>(data);
  Send(state, code == msgError ? RecordKind::error : RecordKind::logLine, text, std::strlen(text));
  return 0;
}

// The password is offered once: a second query means it did not open the
// source, and asking again would only give the same bytes.
[[gnu::noinline]] int32_t OnPasswordQuery(const WorkerState& state, void* data) {
  auto* query = static_cast<PasswordQuery*>(data);
  if (query == nullptr || query->attempt != 1 || state.password.empty()) return 0;
  query->password = state.password.data();
  query->length = static_cast<uint32_t>(state.password.size());
  return 1;
}

// The two messages of every token come first and cost next to nothing.
int32_t OnEngineMessage(int32_t code, void* data, void* userData) {
  auto& state = *static_cast<WorkerState*>(userData);
  if (code == msgQueryStop) return StopRequested() || state.frontEndGone ? -1 : 0;
  if (code == msgQueryPassword) return OnPasswordQuery(state, data);
  if (code != msgProgress) return OnTextMessage(state, code, data);
  state.percent = *static_cast<const uint8_t*>(data);
  if (!state.sendProgress || ++state.messagesSinceClock < kMessagesBetweenClockReads) return 0;
  return OnProgressDue(state);
}

[[noreturn]] void RunWorker(const WorkerTask& task, int fd, pid_t frontEnd) {
  // A front end that dies unexpectedly ends its workers too, with a signal
  // they cannot catch: the engine may be crossing a stretch without tokens.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != frontEnd) _exit(1);
  UnblockStopSignals();
  WorkerState state;
  state.fd = fd;
  state.sendProgress = task.sendProgress;
  state.password = task.password;
  const EngineCallRecord record{task.source.c_str(), 0, task.versionOption, task.target.c_str(),
                                &OnEngineMessage, &state};
  const int result = RepairPdfFile(&record);
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
