#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One repair in a process of its own: the engine allows one run per
// process, so every file gets a forked worker that calls RepairPdfFile once
// and reports the engine's messages over a pipe (WorkerProtocol.h). The
// worker is a fork, not a new program: the password reaches it in its copy
// of the front end's memory, never through a command line, the environment
// or the pipe.
struct WorkerTask {
  std::string source;
  std::string target;  // the path through which the engine writes the output
  uint32_t versionOption = 0;
  bool sendProgress = false;
  std::string_view password;  // empty: the engine's password query is answered with none
};

struct StartedWorker {
  pid_t pid = -1;
  int readFd = -1;  // the worker's records; end of file when it is done
};

// Starts the worker; on failure answers nothing and leaves errno set. The
// worker's exit status is 0 when the engine answered 1, else 1.
std::optional<StartedWorker> StartWorker(const WorkerTask& task);
