#pragma once

#include <signal.h>

// Ctrl-C (SIGINT), SIGTERM, SIGHUP and the other signals that would end the
// program from outside only raise a flag: the front end ends its workers and
// cleans up on its own terms; a worker answers the engine's next stop
// question with it. Installs the handler and blocks the signals; the mask to
// wait with (all of them unblocked) is stored in waitMask.
void InstallStopHandlers(sigset_t& waitMask);

// In a worker process: let the signals in again.
void UnblockStopSignals();

// Set by the handlers. Read inline: the engine asks for every token.
extern volatile sig_atomic_t g_stopRequested;

inline bool StopRequested() { return g_stopRequested != 0; }
