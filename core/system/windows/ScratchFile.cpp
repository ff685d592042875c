// A scratch file in the user's temporary folder, deleted once read and on Ctrl+C.
#include "core/system/windows/FileCalls.h"

#include <algorithm>
#include <iterator>

namespace leitzahl {

namespace windows {

namespace {

wchar_t pendingScratch[MAX_PATH + 1];
volatile LONG scratchPending = 0;
// Set while the library holds the file open, which no delete can then remove.
volatile LONG scratchBusy = 0;

}  // namespace

void RemovePendingScratchFile()
{
    while (InterlockedCompareExchange(&scratchBusy, 0, 0) != 0) {
        Sleep(1);
    }
    if (InterlockedCompareExchange(&scratchPending, 0, 1) == 1) {
        DeleteFileW(pendingScratch);
    }
}

}  // namespace windows

int WriteThroughScratchFile(const std::function<int(const std::string& name)>& write, std::string& bytes)
{
    using namespace windows;
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(static_cast<DWORD>(std::size(folder)), folder);
    if (length == 0 || length > MAX_PATH) {
        return length == 0 ? LastError() : ERROR_FILENAME_EXCED_RANGE;
    }
    InterlockedExchange(&scratchBusy, 1);
    if (GetTempFileNameW(folder, L"lz", 0, pendingScratch) == 0) {
        const int error = LastError();
        InterlockedExchange(&scratchBusy, 0);
        return error;
    }
    InterlockedExchange(&scratchPending, 1);
    int error = write(Narrow(pendingScratch));
    // From here on closing the handle deletes the file, however the program ends.
    HANDLE handle = CreateFileW(pendingScratch, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    InterlockedExchange(&scratchBusy, 0);
    if (handle == INVALID_HANDLE_VALUE) {
        error = error != 0 ? error : LastError();
        RemovePendingScratchFile();
        return error;
    }
    InterlockedExchange(&scratchPending, 0);
    LARGE_INTEGER size{};
    if (error == 0 && !GetFileSizeEx(handle, &size)) {
        error = LastError();
    }
    if (error == 0) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (error == 0 && done < bytes.size()) {
            DWORD got = 0;
            const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 30));
            if (!ReadFile(handle, bytes.data() + done, wanted, &got, nullptr) || got == 0) {
                error = got == 0 ? ERROR_READ_FAULT : LastError();
            }
            done += got;
        }
    }
    CloseHandle(handle);
    return error;
}

}  // namespace leitzahl
