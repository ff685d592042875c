#pragma once
// The command-line converter: its arguments, its run and its exit statuses.

#include <cstdio>
#include <span>
#include <string_view>

namespace leitzahl {

// Exit statuses of the command-line converter.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// Converted, with a warning: lines that do not look like records of the sort-code
// file, an entry with a ";" of its own, or characters that ISO 8859-1 cannot hold.
inline constexpr int kExitWarning = 3;
// Converted and saved, but the summary could not be printed (standard output closed or full).
inline constexpr int kExitMessagesLost = 4;

// Runs the converter on the arguments (without the program name); messages go to
// out and err. Returns the exit status.
int RunCommandLine(std::span<const std::string_view> arguments, std::FILE* out, std::FILE* err);

// Flushes and closes standard output (out); a failure is reported on err and turns a
// successful status into a failure. Returns the status to exit with.
int FinishStandardOutput(int status, std::FILE* out, std::FILE* err);

}  // namespace leitzahl
