#include "StopSignals.h"

volatile sig_atomic_t g_stopRequested = 0;

namespace {

void OnStopSignal(int /*signal*/) { g_stopRequested = 1; }

sigset_t StopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void InstallStopHandlers(sigset_t& waitMask) {
  struct sigaction action {};
  action.sa_handler = &OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A closed output pipe must not kill us with temporary files left behind.
  signal(SIGPIPE, SIG_IGN);
  const sigset_t set = StopSignalSet();
  sigprocmask(SIG_BLOCK, &set, &waitMask);
  sigdelset(&waitMask, SIGINT);
  sigdelset(&waitMask, SIGTERM);
}

void UnblockStopSignals() {
  const sigset_t set = StopSignalSet();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

