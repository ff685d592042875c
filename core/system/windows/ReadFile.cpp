// Reading a whole file (mapped where it can be) or standard input.
#include "core/system/windows/FileCalls.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace leitzahl {

namespace {

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
                const int error = windows::LastError();
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
        return windows::RefusalOf(wide, windows::LastError(), false);
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

}  // namespace leitzahl
