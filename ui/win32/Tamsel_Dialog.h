#pragma once
// The Win32 window's open and save dialogs (the common dialogs).

#include <string>
#include <windows.h>

namespace leitzahl {

// Each shows a common dialog and gives back the chosen full path (UTF-8), or an empty
// text when the user cancelled. The filter is a description, a NUL and a pattern, and
// so on for each further filter; the first is chosen at the start, and chosenFilter
// gives back the one chosen at the end (from 0). The open
// dialog accepts names of files that do not exist; the save dialog neither asks before
// replacing a file nor adds an extension. An empty initial folder leaves the choice to
// the dialog.
std::string ShowOpenDialog(HWND owner, HINSTANCE instance, const std::string& initialFolder,
                           const std::string& title, const std::string& filter);
std::string ShowSaveDialog(HWND owner, HINSTANCE instance, const std::string& initialFolder,
                           const std::string& title, const std::string& filter, int* chosenFilter = nullptr);

}  // namespace leitzahl
