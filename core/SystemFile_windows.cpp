#include "core/SystemFile.h"
#include "core/WideText.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <windows.h>

namespace leitzahl {

std::string DescribeSystemError(int number)
{
    switch (number) {
    case ERROR_FILE_NOT_FOUND: return "Die Datei wurde nicht gefunden";
    case ERROR_PATH_NOT_FOUND: return "Der Ordner wurde nicht gefunden";
    case ERROR_ACCESS_DENIED: return "Zugriff verweigert";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "Ein anderes Programm verwendet die Datei gerade (etwa eine Tabellenkalkulation, in der sie "
               "offen ist). Bitte schließen Sie sie dort zuerst und versuchen Sie es dann noch einmal";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "Kein Speicherplatz mehr auf dem Datenträger";
    case ERROR_INVALID_NAME: return "Der Dateiname ist ungültig";
    case ERROR_FILENAME_EXCED_RANGE: return "Der Dateiname ist zu lang";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return "Nicht genügend Arbeitsspeicher";
    case ERROR_FILE_TOO_LARGE: return "Die Datei ist zu groß";
    case ERROR_WRITE_PROTECT: return "Der Datenträger ist schreibgeschützt";
    case ERROR_READ_FAULT: return "Ein-/Ausgabefehler";
    case kErrorReadFault: return "Die Datei wurde beim Lesen verändert";
    case ERROR_DIRECTORY: return "Das ist ein Ordner, keine Datei";
    case kErrorWriteProtected: return "Die Datei ist schreibgeschützt";
    case ERROR_UNABLE_TO_REMOVE_REPLACED: return "Die alte Datei kann nicht ersetzt werden";
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        return "Die alte Datei ist schon entfernt, die neue steht noch unter ihrem vorläufigen Namen im selben "
               "Ordner";
    default: return "Systemfehler " + std::to_string(number);
    }
}

namespace {

int LastError()
{
    return static_cast<int>(GetLastError());
}

int ReadAll(HANDLE file, std::string& text)
{
    try {
        std::size_t used = 0;
        text.resize(1 << 16);
        for (;;) {
            if (used == text.size()) {
                text.resize(text.size() * 2);
            }
            const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(text.size() - used, 1 << 30));
            DWORD got = 0;
            if (!ReadFile(file, text.data() + used, wanted, &got, nullptr)) {
                const int error = LastError();
                if (error == ERROR_BROKEN_PIPE) {
                    break;  // the writing end of a pipe has closed: its end
                }
                text.clear();
                return error;
            }
            if (got == 0) {
                break;
            }
            used += got;
        }
        text.resize(used);
    } catch (const std::bad_alloc&) {
        text.clear();
        return kErrorOutOfMemory;
    } catch (const std::length_error&) {
        text.clear();
        return kErrorTooLarge;
    }
    return 0;
}

int WriteAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30));
        DWORD put = 0;
        if (!WriteFile(file, bytes.data(), wanted, &put, nullptr)) {
            return LastError();
        }
        bytes.remove_prefix(put);
    }
    return 0;
}

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

// Set while a file is written in place, so that Ctrl+C waits until it is whole.
volatile LONG writingInPlace = 0;

// A file with several names (hard links) written through the handle, so that every name
// shows the new text: room taken first, so that a full disk changes nothing; a failure
// after that gives the file back its old size.
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

// Why a name cannot be opened, in the words the user needs.
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

FileMapping::~FileMapping()
{
    if (address_ != nullptr) {
        UnmapViewOfFile(address_);
    }
}

// Windows refuses to cut a file short while a view of it exists.
bool FileMapping::damaged() const
{
    return false;
}

int ReadWholeFile(const std::string& path, FileMapping& mapping, std::string& text)
{
    mapping = FileMapping();
    text.clear();
    const std::wstring wide = Widen(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return RefusalOf(wide, LastError(), false);
    }
    LARGE_INTEGER size{};
    int error = 0;
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        // The file's pages as the system caches them: no copy.
        HANDLE section = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        void* view = section != nullptr ? MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0) : nullptr;
        if (section != nullptr) {
            CloseHandle(section);
        }
        if (view != nullptr) {
            mapping.address_ = view;
            mapping.size_ = static_cast<std::size_t>(size.QuadPart);
            CloseHandle(file);
            return 0;
        }
    }
    error = ReadAll(file, text);
    CloseHandle(file);
    return error;
}

int ReadStandardInput(std::string& text)
{
    text.clear();
    return ReadAll(GetStdHandle(STD_INPUT_HANDLE), text);
}

int SaveFile(const std::string& path, std::string_view bytes)
{
    const std::wstring named = Widen(path);
    if (const int refusal = RefusalOf(named, ERROR_ACCESS_DENIED, true); refusal != ERROR_ACCESS_DENIED) {
        return refusal;
    }
    // Opened for writing first, as a plain write would (through links): a device is
    // written into directly, a folder or a read-only file refused.
    HANDLE handle = CreateFileW(named.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const int error = LastError();
        return error == ERROR_FILE_NOT_FOUND ? ReplaceThroughTemporary(named, bytes, false) : RefusalOf(named, error, true);
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        int error = WriteAll(handle, bytes);
        if (!CloseHandle(handle) && error == 0) {
            error = LastError();
        }
        return error;
    }
    // Replacing one of several names would part it from the others.
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information) && information.nNumberOfLinks > 1) {
        return WriteInPlace(handle, bytes);
    }
    const std::wstring target = FinalPath(handle, named);
    CloseHandle(handle);
    // Replacing needs delete access: a program that holds the file open without
    // sharing that (an editor, a viewer) is named here, before anything is written.
    handle = CreateFileW(target.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    CloseHandle(handle);
    return ReplaceThroughTemporary(target, bytes, true);
}

FileKind KindOfFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return path.starts_with("\\\\.\\") ? FileKind::Other : FileKind::Missing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Folder : FileKind::Regular;
}

int WriteStandardOutput(std::string_view bytes)
{
    return WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
}

// Opening a pipe on Windows never waits for the other end: it is there or refused.
void RefusePipesWithoutReader() {}

// Windows has no name for standard output that scripts write to; they take "-".
bool NamesStandardOutput(const std::string&)
{
    return false;
}

std::wstring Widen(std::string_view utf8)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view wide)
{
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

void RemovePendingTemporaryFile()
{
    if (InterlockedCompareExchange(&temporaryPending, 0, 1) == 1) {
        DeleteFileW(pendingTemporary);
    }
    // Ctrl+C comes on a thread of its own: a file written in place is finished first.
    while (InterlockedCompareExchange(&writingInPlace, 0, 0) != 0) {
        Sleep(10);
    }
}

}  // namespace leitzahl
