#include "OutputCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace frontend {

namespace {

OutputCalls g_real;
OutputCalls* g_calls = &g_real;

}  // namespace

int OutputCalls::Fsync(int fd) { return ::fsync(fd); }

int OutputCalls::Close(int fd) { return ::close(fd); }

int OutputCalls::RenameNoReplace(int folder, const char* from, const char* to) {
  return ::renameat2(folder, from, folder, to, RENAME_NOREPLACE);
}

int OutputCalls::Rename(int folder, const char* from, const char* to) {
  return ::renameat(folder, from, folder, to);
}

OutputCalls& SystemOutputCalls() { return *g_calls; }

OutputCalls* SetOutputCalls(OutputCalls* calls) {
  OutputCalls* previous = g_calls == &g_real ? nullptr : g_calls;
  g_calls = calls != nullptr ? calls : &g_real;
  return previous;
}

}  // namespace frontend
