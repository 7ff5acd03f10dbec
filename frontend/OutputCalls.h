#pragma once

// The system calls whose failures decide whether an output is committed, in
// one small interface so that tests can make them fail: a sync, a close and
// the renames. Each answers -1 with errno set on failure, like the call.
namespace frontend {

class OutputCalls {
 public:
  virtual ~OutputCalls() = default;
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  // renameat2 with RENAME_NOREPLACE.
  virtual int RenameNoReplace(int folder, const char* from, const char* to);
  virtual int Rename(int folder, const char* from, const char* to);
};

OutputCalls& SystemOutputCalls();
// Installs a replacement and answers the one it replaces; null restores the
// real calls.
OutputCalls* SetOutputCalls(OutputCalls* calls);

}  // namespace frontend
