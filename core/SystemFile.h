#pragma once

#include "core/Failure.h"

#include <string>
#include <string_view>

namespace leitzahl {

// The few calls into the operating system. Each gives back 0 or the system's error
// number, which DescribeSystemError puts into German.

std::string DescribeSystemError(int number);

// "Die Datei „NAME“ kann nicht gelesen werden: REASON." and its twin for writing.
Failure ReadFailure(std::string_view path, int number);
Failure WriteFailure(std::string_view path, int number);

// Replaces text with all bytes of the file, or of standard input.
int ReadWholeFile(const std::string& path, std::string& text);
int ReadStandardInput(std::string& text);

// Writes bytes to the file at path as a plain write would (through symbolic links,
// into pipes and devices), except that a regular file is never left half written:
// the bytes go to a temporary file beside it, which then takes its place.
int SaveFile(const std::string& path, std::string_view bytes);
int WriteStandardOutput(std::string_view bytes);

// Removes the temporary file of a save under way; safe to call from a signal handler.
void RemovePendingTemporaryFile();

}  // namespace leitzahl
