#pragma once

#include <signal.h>

// Ctrl-C (SIGINT) and SIGTERM only raise a flag: the front end answers the
// engine's next stop question with it and cleans up on its own terms.
// Installs the handler and blocks both signals; the mask to wait with (both
// unblocked) is stored in waitMask.
void InstallStopHandlers(sigset_t& waitMask);

// In a worker process: let both signals in again.
void UnblockStopSignals();

// Set by the handlers. Read inline: the engine asks for every token.
extern volatile sig_atomic_t g_stopRequested;

inline bool StopRequested() { return g_stopRequested != 0; }
inline void RequestStop() { g_stopRequested = 1; }
