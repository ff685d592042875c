#pragma once
// Ending signals: a save under way cleaned up, then the usual end.

namespace leitzahl {

// Lets the signals that end a program by default (Ctrl+C, kill, logout) end it with exit
// status 128 + N on either system, after the temporary file of a save under way is
// removed and atEnd has run (it must be safe in a signal handler). A signal ignored at
// start (nohup) stays ignored. A reader that went away and the file-size limit become
// write errors that the save reports, instead of ending the program.
void HandleEndingSignals(void (*atEnd)() = nullptr);

// Each system's part: which signals are caught (one ignored at start stays ignored) and
// how the program then ends.
void CatchEndingSignals(void (*handler)(int));
void EndBySignal(int number);

}  // namespace leitzahl
