#pragma once

namespace quorvel {

// From now on, the signals that ask a program to end (Ctrl+C or SIGINT, SIGTERM, and SIGHUP at a
// logout or a closed terminal; on Windows, the console's Ctrl+C and close) no longer end it at
// once: a run that is going stops at its next chance, as at the window's close, leaving nothing
// partial, and the program then ends with 128 + the signal's number.
void stopOnSignals();

// The signal that came, or 0.
int stopSignal();

// A descriptor that becomes readable once a signal came, for an event loop to watch; -1 where
// there is none.
int stopSignalDescriptor();

}  // namespace quorvel
