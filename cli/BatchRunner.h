#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FileJobs.h"
#include "Console.h"
#include "Reporter.h"
#include "RepairJob.h"
#include "WorkerProtocol.h"

struct BatchSettings {
  uint32_t versionOption = 0;
  bool force = false;
  bool check = false;  // each output is an unnamed file, thrown away
  int jobs = 1;
  bool showProgress = false;
  std::string_view password;  // the answer to the engine's first password query; empty for none
};

// Repairs a list of files, up to `jobs` at once, each in a worker process
// of its own writing a safe output, and reports every file's result. A stop
// signal ends the running workers at once, removes their outputs and starts
// no more files.
class BatchRunner {
 public:
  BatchRunner(const BatchSettings& settings, Console& console, Reporter& reporter);

  // Answers the number of files repaired.
  int Run(const std::vector<FileJob>& files);
  bool Interrupted() const { return m_interrupted; }
  // Of the files repaired, those whose source needed a repair.
  int Damaged() const { return m_damaged; }

 private:
  struct Running {
    Running(size_t at, const FileJob& file) : index(at), job(file.source, file.destination) {}
    size_t index = 0;
    pid_t pid = -1;
    int fd = -1;
    frontend::RepairJob job;
    RecordReader reader;
    frontend::RepairReport report;
    std::string lastError;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  };

  void Launch(size_t index);
  void WaitForWorkers();
  void StopWorkers();
  bool ReadFrom(Running& worker);
  void HandleRecord(Running& worker, RecordKind kind, const std::string& data);
  void Finish(Running& worker);
  void Complete(size_t index, FileStatus status, const std::string& error = {});
  void Complete(const Running& worker, FileStatus status);
  void Complete(FileOutcome outcome);

  BatchSettings m_settings;
  Console& m_console;
  Reporter& m_reporter;
  const std::vector<FileJob>* m_files = nullptr;
  std::vector<std::unique_ptr<Running>> m_running;
  sigset_t m_waitMask {};
  bool m_interrupted = false;
  int m_repaired = 0;
  int m_damaged = 0;
};
