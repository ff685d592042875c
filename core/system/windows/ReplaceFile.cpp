// Replacing a file through a temporary file beside it (ReplaceFileW keeps what it carried).
#include "core/system/windows/FileCalls.h"

#include <chrono>
#include <cstdint>
#include <iterator>

namespace leitzahl {

namespace windows {

namespace {

// The temporary file of the save under way, for removal when Ctrl+C ends the program.
wchar_t pendingTemporary[MAX_PATH * 4];
volatile LONG temporaryPending = 0;

HANDLE CreateTemporary(const std::wstring& folder, const std::wstring& file, std::wstring& name)
{
    constexpr std::size_t kKeptLength = 200;
    constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    auto seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                static_cast<std::uint64_t>(GetCurrentProcessId()) << 40;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + L"." + file.substr(0, kKeptLength) + L".";
        for (int i = 0; i < 6; ++i) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            name += kLetters[(seed >> 33) % (sizeof kLetters / sizeof kLetters[0] - 1)];
        }
        // Shared for deleting, so that Ctrl+C, handled on another thread, can remove it.
        HANDLE handle =
            CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            if (handle != INVALID_HANDLE_VALUE && name.size() < std::size(pendingTemporary)) {
                name.copy(pendingTemporary, name.size());
                pendingTemporary[name.size()] = L'\0';
                InterlockedExchange(&temporaryPending, 1);
            }
            return handle;
        }
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

int ReplaceThroughTemporary(const std::wstring& target, std::string_view bytes, bool exists)
{
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    const std::wstring file = slash == std::wstring::npos ? target : target.substr(slash + 1);
    std::wstring temporary;
    HANDLE handle = CreateTemporary(folder, file, temporary);
    if (handle == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    int error = WriteAll(handle, bytes);
    if (error == 0 && !FlushFileBuffers(handle)) {
        error = LastError();
    }
    if (!CloseHandle(handle) && error == 0) {
        error = LastError();
    }
    // ReplaceFile keeps what the old file carried: attributes, security, streams. The
    // attributes are set on the new file beforehand too, for systems whose ReplaceFile
    // leaves them out. A new file takes its name by MoveFileEx; WRITE_THROUGH returns
    // only once the name is on the disk.
    constexpr DWORD kKeptAttributes =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = exists ? GetFileAttributesW(target.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (error == 0 && attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesW(temporary.c_str(), attributes & kKeptAttributes);
    }
    if (error == 0 && exists &&
        !ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        error = LastError();
        // Here the old file is gone from its name and the new text is only in the
        // temporary file: it must take the name, and is never deleted.
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            InterlockedExchange(&temporaryPending, 0);
            return MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                       ? 0
                       : error;
        }
    }
    if (error == 0 && !exists && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        error = LastError();
    }
    if (error != 0) {
        DeleteFileW(temporary.c_str());
    }
    InterlockedExchange(&temporaryPending, 0);
    return error;
}

}  // namespace windows

void RemovePendingTemporaryFile()
{
    if (InterlockedCompareExchange(&windows::temporaryPending, 0, 1) == 1) {
        DeleteFileW(windows::pendingTemporary);
    }
    windows::RemovePendingScratchFile();
    windows::WaitForWriteInPlace();
}

}  // namespace leitzahl
