// Writing a file with several names where it stands: room first, old size back on a failure.
#include "core/system/windows/FileCalls.h"

namespace leitzahl::windows {

namespace {

// Set while a file is written in place, so that Ctrl+C waits until it is whole.
volatile LONG writingInPlace = 0;

}  // namespace

int WriteInPlace(HANDLE handle, std::string_view bytes)
{
    InterlockedExchange(&writingInPlace, 1);
    LARGE_INTEGER oldSize{};
    LARGE_INTEGER size{};
    size.QuadPart = static_cast<LONGLONG>(bytes.size());
    int error = GetFileSizeEx(handle, &oldSize) ? 0 : LastError();
    if (error == 0 && size.QuadPart > oldSize.QuadPart) {
        FILE_ALLOCATION_INFO room{size};
        if (!SetFileInformationByHandle(handle, FileAllocationInfo, &room, sizeof room)) {
            error = LastError() == ERROR_DISK_FULL ? ERROR_DISK_FULL : 0;
        }
    }
    const bool roomTaken = error == 0;
    if (error == 0) {
        error = WriteAll(handle, bytes);
    }
    if (error == 0 && !(SetEndOfFile(handle) && FlushFileBuffers(handle))) {
        error = LastError();
    }
    if (error != 0 && roomTaken && SetFilePointerEx(handle, oldSize, nullptr, FILE_BEGIN)) {
        SetEndOfFile(handle);
    }
    if (!CloseHandle(handle) && error == 0) {
        error = LastError();
    }
    InterlockedExchange(&writingInPlace, 0);
    return error;
}

void WaitForWriteInPlace()
{
    while (InterlockedCompareExchange(&writingInPlace, 0, 0) != 0) {
        Sleep(10);
    }
}

}  // namespace leitzahl::windows
