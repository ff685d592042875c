#pragma once

#include "core/Failure.h"

#include <string>
#include <string_view>

namespace leitzahl {

// German wording for a system error number, e.g. "Zugriff verweigert".
std::string DescribeSystemError(int number);

// "Die Datei „NAME“ kann nicht gelesen werden: REASON." and its twin for writing.
Failure ReadFailure(std::string_view path, int number);
Failure WriteFailure(std::string_view path, int number);

// Reads everything up to the end of the file into text; returns 0 or the error number.
int ReadAll(int fd, std::string& text);

// Writes all bytes, going on after short writes; returns 0 or the error number.
int WriteAll(int fd, std::string_view bytes);

}  // namespace leitzahl
