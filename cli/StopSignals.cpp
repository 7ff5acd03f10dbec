#include "StopSignals.h"

volatile sig_atomic_t g_stopRequested = 0;

namespace {

void OnStopSignal(int /*signal*/) { g_stopRequested = 1; }

// Every signal that would otherwise end the program from outside (not a
// fault of its own): a hang-up or a terminated session included, so that no
// temporary file is left behind by anything but SIGKILL.
constexpr int kStopSignals[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM,
                                SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGPOLL, SIGPWR, SIGSTKFLT};

sigset_t StopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kStopSignals) sigaddset(&set, signal);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) sigaddset(&set, signal);
  return set;
}

}  // namespace

void InstallStopHandlers(sigset_t& waitMask) {
  struct sigaction action {};
  action.sa_handler = &OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigset_t set = StopSignalSet();
  // A hang-up that was ignored at the start (nohup) stays ignored, for the
  // workers too: the batch is meant to outlive the session.
  struct sigaction hangUp {};
  if (sigaction(SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler == SIG_IGN) sigdelset(&set, SIGHUP);
  for (int signal = 1; signal < NSIG; ++signal) {
    if (sigismember(&set, signal) == 1) sigaction(signal, &action, nullptr);
  }
  // A closed output pipe must not kill us with temporary files left behind.
  signal(SIGPIPE, SIG_IGN);
  sigprocmask(SIG_BLOCK, &set, &waitMask);
  for (int signal = 1; signal < NSIG; ++signal) {
    if (sigismember(&set, signal) == 1) sigdelset(&waitMask, signal);
  }
}

void UnblockStopSignals() {
  const sigset_t set = StopSignalSet();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}
