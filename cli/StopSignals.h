#pragma once

#include <signal.h>

// Ctrl-C (SIGINT) and SIGTERM only raise a flag: the front end answers the
// engine's next stop question with it and cleans up on its own terms.
// Installs the handler and blocks both signals; the mask to wait with (both
// unblocked) is stored in waitMask.
void InstallStopHandlers(sigset_t& waitMask);

// In a worker process: let both signals in again.
void UnblockStopSignals();

bool StopRequested();
void RequestStop();
