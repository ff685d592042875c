#pragma once
// Which of the files dropped on a window is opened.

#include <string>
#include <vector>

namespace leitzahl {

// Of files dropped on a window (UTF-8 paths): the first plain file, or with none, the
// first thing dropped, so that a folder gives the usual error.
std::string ChooseDroppedFile(const std::vector<std::string>& paths);

}  // namespace leitzahl
