#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Console.h"
#include "Reporter.h"
#include "TemporaryFile.h"
#include "WorkerProtocol.h"

struct FileJob {
  std::string source;
  std::string destination;
};

struct BatchSettings {
  uint32_t versionOption = 0;
  bool force = false;
  int jobs = 1;
  bool showProgress = false;
};

// Repairs a list of files, up to `jobs` at once, each in a worker process
// of its own, and reports every file's result. A stop signal stops the
// running repairs at the engine's next question and starts no more.
class BatchRunner {
 public:
  BatchRunner(const BatchSettings& settings, Console& console, Reporter& reporter);

  // Answers the number of files repaired.
  int Run(const std::vector<FileJob>& files);
  bool Interrupted() const { return m_interrupted; }

 private:
  struct Running {
    size_t index;
    pid_t pid;
    int fd;
    TemporaryFile temporary;
    RecordReader reader;
  };

  void Launch(size_t index);
  bool Refuse(const FileJob& file);
  void WaitForWorkers();
  bool ReadFrom(Running& worker);
  void HandleRecord(const Running& worker, RecordKind kind, const std::string& data);
  void Finish(Running& worker);
  void Complete(size_t index, FileStatus status);

  BatchSettings m_settings;
  Console& m_console;
  Reporter& m_reporter;
  const std::vector<FileJob>* m_files = nullptr;
  std::vector<std::unique_ptr<Running>> m_running;
  sigset_t m_waitMask {};
  bool m_interrupted = false;
  int m_repaired = 0;
};
