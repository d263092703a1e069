#pragma once

namespace platform {

// SIGINT, SIGTERM and SIGHUP end the program the way its close box does. They are
// blocked in every thread (call this before any thread starts) and taken either by
// WaitForShutdownSignal or through the descriptor of ShutdownSignalFd.
void BlockShutdownSignals();

// Blocks until one of the shutdown signals arrives; returns its number.
int WaitForShutdownSignal();

// A descriptor that becomes readable when a shutdown signal is pending (signalfd);
// read one signalfd_siginfo from it to take the signal. -1 on failure.
int ShutdownSignalFd();

}  // namespace platform
