// The application shell: entry point, window procedure, main loop, start-up and shutdown.
#pragma once

#include "platform/platform.h"

int QuellfortMain();
void InitApplication();
void ShutdownApplication();
void MainWindowProc(const PlatformMessage& message);
// Returns every program-wide record to its state at program start (tests use it).
void ResetProgramState();
