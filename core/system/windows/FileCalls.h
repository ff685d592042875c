#pragma once
// The pieces of reading and saving on Windows that their files share.

#include "core/system/SystemFile.h"
#include "core/system/windows/WideText.h"

#include <string>
#include <string_view>
#include <windows.h>

namespace leitzahl::windows {

int LastError();
// All bytes; 0 or the error number.
int WriteAll(HANDLE file, std::string_view bytes);
// Why a name cannot be opened, in the words the user needs.
int RefusalOf(const std::wstring& target, int error, bool writing);
// Writes the temporary file and puts it in the target's place, by ReplaceFileW where
// the target exists.
int ReplaceThroughTemporary(const std::wstring& target, std::string_view bytes, bool exists);
// A file with several names (hard links) written through the handle, so that every name
// shows the new text: room taken first, so that a full disk changes nothing; a failure
// after that gives the file back its old size.
// Closes handle.
int WriteInPlace(HANDLE handle, std::string_view bytes);
// Deletes the scratch file of a workbook under way, once the library has closed it.
void RemovePendingScratchFile();
// Returns once no file is being written in place: Ctrl+C comes on a thread of its own.
void WaitForWriteInPlace();

}  // namespace leitzahl::windows
