// Writing bytes to a handle, and standard output.
#include "core/system/windows/FileCalls.h"

#include <algorithm>

namespace leitzahl {

namespace windows {

int LastError()
{
    return static_cast<int>(GetLastError());
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

}  // namespace windows

int WriteStandardOutput(std::string_view bytes)
{
    return windows::WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
}

// Windows has no name for standard output that scripts write to; they take "-".
bool NamesStandardOutput(const std::string&)
{
    return false;
}

}  // namespace leitzahl
