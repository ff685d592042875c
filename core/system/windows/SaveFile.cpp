// Saving: which way a file is written, by what its name leads to.
#include "core/system/windows/FileCalls.h"

namespace leitzahl {

namespace windows {

int RefusalOf(const std::wstring& target, int error, bool writing)
{
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES) {
        return error;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return kErrorIsFolder;
    }
    return writing && (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? kErrorWriteProtected : error;
}

namespace {

// The path a symbolic link leads to, as the system resolves it for the open handle.
std::wstring FinalPath(HANDLE handle, const std::wstring& fallback)
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0 || length >= path.size()) {
        return fallback;
    }
    path.resize(length);
    return path;
}

}  // namespace

}  // namespace windows

int SaveFile(const std::string& path, std::string_view bytes)
{
    const std::wstring named = Widen(path);
    if (const int refusal = windows::RefusalOf(named, ERROR_ACCESS_DENIED, true); refusal != ERROR_ACCESS_DENIED) {
        return refusal;
    }
    // Opened for writing first, as a plain write would (through links): a device is
    // written into directly, a folder or a read-only file refused.
    HANDLE handle = CreateFileW(named.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const int error = windows::LastError();
        return error == ERROR_FILE_NOT_FOUND ? windows::ReplaceThroughTemporary(named, bytes, false)
                                             : windows::RefusalOf(named, error, true);
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        int error = windows::WriteAll(handle, bytes);
        if (!CloseHandle(handle) && error == 0) {
            error = windows::LastError();
        }
        return error;
    }
    // Replacing one of several names would part it from the others.
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information) && information.nNumberOfLinks > 1) {
        return windows::WriteInPlace(handle, bytes);
    }
    const std::wstring target = windows::FinalPath(handle, named);
    CloseHandle(handle);
    // Replacing needs delete access: a program that holds the file open without
    // sharing that (an editor, a viewer) is named here, before anything is written.
    handle = CreateFileW(target.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return windows::LastError();
    }
    CloseHandle(handle);
    return windows::ReplaceThroughTemporary(target, bytes, true);
}

FileKind KindOfFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return path.starts_with("\\\\.\\") ? FileKind::Other : FileKind::Missing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Folder : FileKind::Regular;
}

// Opening a pipe on Windows never waits for the other end: it is there or refused.
void RefusePipesWithoutReader() {}

}  // namespace leitzahl
