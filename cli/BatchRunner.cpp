#include "BatchRunner.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CliTexts.h"
#include "OutputTexts.h"
#include "RepairWorker.h"
#include "StopSignals.h"

namespace {

constexpr int kRefreshWaitMs = 50;

}  // namespace

BatchRunner::BatchRunner(const BatchSettings& settings, Console& console, Reporter& reporter)
    : m_settings(settings), m_console(console), m_reporter(reporter) {
  InstallStopHandlers(m_waitMask);
}

int BatchRunner::Run(const std::vector<FileJob>& files) {
  m_files = &files;
  size_t next = 0;
  while (true) {
    m_interrupted = m_interrupted || StopRequested();
    while (!m_interrupted && next < files.size() &&
           m_running.size() < static_cast<size_t>(m_settings.jobs)) {
      Launch(next++);
    }
    if (m_running.empty()) break;
    WaitForWorkers();
  }
  while (next < files.size()) Complete(next++, FileStatus::notStarted);
  m_reporter.Summary(m_repaired);
  return m_repaired;
}

void BatchRunner::Launch(size_t index) {
  const FileJob& file = (*m_files)[index];
  if (!file.refusal.empty()) {
    m_reporter.Error(file.source, file.refusal);
    return Complete(index, FileStatus::failed, file.refusal);
  }
  auto running = std::make_unique<Running>(index, file);
  if (m_settings.check ? !running->job.PrepareUnnamed() : !running->job.Prepare(m_settings.force)) {
    const std::string error = m_settings.check ? texts::Formatted(texts::kNoScratchFile, std::strerror(errno))
                                               : OutputFailureText(running->job.Output(), file.destination);
    m_reporter.Error(file.source, error);
    return Complete(index, FileStatus::failed, error);
  }
  std::fflush(stdout);  // the worker must not write our buffered output again
  std::fflush(stderr);
  const WorkerTask task{file.source, running->job.WriterPath(), m_settings.versionOption,
                        m_settings.showProgress, m_settings.password};
  const auto worker = StartWorker(task);
  if (!worker) {
    const std::string error = texts::Formatted(texts::kWorkerNotStarted, std::strerror(errno));
    m_reporter.Error(file.source, error);
    return Complete(index, FileStatus::failed, error);
  }
  running->pid = worker->pid;
  running->fd = worker->readFd;
  m_running.push_back(std::move(running));
  m_console.AddProgress(static_cast<int>(index), file.source);
}

// A worker is ended at once rather than asked: the engine asks for a stop
// only between tokens, and a long stretch of the source can hold none. What
// it wrote is thrown away anyway.
void BatchRunner::StopWorkers() {
  m_interrupted = true;
  for (const auto& worker : m_running) kill(worker->pid, SIGKILL);
}

void BatchRunner::WaitForWorkers() {
  std::vector<pollfd> fds;
  for (const auto& worker : m_running) fds.push_back({worker->fd, POLLIN, 0});
  const int waitMs = m_console.Refresh() ? kRefreshWaitMs : -1;
  timespec timeout {waitMs / 1000, (waitMs % 1000) * 1'000'000};
  // Stop signals are let in only while waiting here.
  const int ready = ppoll(fds.data(), fds.size(), waitMs < 0 ? nullptr : &timeout, &m_waitMask);
  if (StopRequested() && !m_interrupted) StopWorkers();
  if (ready <= 0) return;
  std::vector<std::unique_ptr<Running>> stillRunning;
  for (size_t i = 0; i < m_running.size(); ++i) {
    if (fds[i].revents == 0 || ReadFrom(*m_running[i])) {
      stillRunning.push_back(std::move(m_running[i]));
    } else {
      Finish(*m_running[i]);
    }
  }
  m_running = std::move(stillRunning);
}

// Reads what the worker sent; false at the end of its output.
bool BatchRunner::ReadFrom(Running& worker) {
  char buffer[65536];
  const ssize_t size = read(worker.fd, buffer, sizeof buffer);
  if (size < 0) return errno == EINTR || errno == EAGAIN;
  if (size == 0) return false;
  worker.reader.Append(buffer, static_cast<size_t>(size));
  RecordKind kind {};
  std::string data;
  while (worker.reader.Next(kind, data)) HandleRecord(worker, kind, data);
  return true;
}

void BatchRunner::HandleRecord(Running& worker, RecordKind kind, const std::string& data) {
  const FileJob& file = (*m_files)[worker.index];
  switch (kind) {
    case RecordKind::progress:
      if (!data.empty()) {
        m_console.SetProgress(static_cast<int>(worker.index), static_cast<unsigned char>(data[0]));
      }
      break;
    case RecordKind::logLine:
      m_reporter.LogLine(file.source, worker.job.Shown(data));
      break;
    case RecordKind::error:
      worker.lastError = worker.job.Shown(data);
      m_reporter.Error(file.source, worker.lastError);
      break;
    case RecordKind::report:
      worker.report = frontend::RepairReport::Parse(data);
      break;
  }
}

void BatchRunner::Finish(Running& worker) {
  close(worker.fd);
  int status = 0;
  while (waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
  }
  m_console.RemoveProgress(static_cast<int>(worker.index));
  const FileJob& file = (*m_files)[worker.index];
  if (WIFSIGNALED(status) && !m_interrupted) {
    worker.lastError = texts::Formatted(texts::kWorkerCrashed, std::to_string(WTERMSIG(status)));
    m_reporter.Error(file.source, worker.lastError);
  }
  const bool repaired = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!worker.job.Finish(repaired)) {
    worker.lastError = OutputFailureText(worker.job.Output(), file.destination);
    m_reporter.Error(file.source, worker.lastError);
    return Complete(worker, FileStatus::failed);
  }
  if (repaired) return Complete(worker, FileStatus::done);
  Complete(worker, m_interrupted ? FileStatus::interrupted : FileStatus::failed);
}

void BatchRunner::Complete(size_t index, FileStatus status, const std::string& error) {
  const FileJob& file = (*m_files)[index];
  Complete(FileOutcome{file.source, file.destination, status, {}, error, 0});
}

void BatchRunner::Complete(const Running& worker, FileStatus status) {
  const FileJob& file = (*m_files)[worker.index];
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - worker.started;
  // A run that ends without an error found no complete object.
  const std::string error = worker.lastError.empty() && status == FileStatus::failed ? texts::kNoObjectFound
                                                                                      : worker.lastError;
  Complete(FileOutcome{file.source, file.destination, status, worker.report, error, seconds.count()});
}

void BatchRunner::Complete(FileOutcome outcome) {
  if (outcome.status == FileStatus::done) {
    ++m_repaired;
    if (outcome.report.Damaged()) ++m_damaged;
  }
  m_reporter.FileResult(outcome);
}
