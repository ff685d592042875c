// The bus error of a mapped file that shrank: zeros in place of the lost pages.
#include "core/system/posix/FileCalls.h"

#include <csignal>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace leitzahl::posix {

namespace {

// The mapped file, for the bus error that reading it raises once the file has shrunk
// under the mapping.
char* watchedBegin = nullptr;
std::size_t watchedSize = 0;
std::uintptr_t pageSize = 4096;
volatile std::sig_atomic_t shrunk = 0;
struct sigaction previousBusAction {};

extern "C" void OnBusError(int, siginfo_t* info, void*)
{
    auto* at = static_cast<char*>(info->si_addr);
    // Zeros in place of the lost pages let the reader run to its end; it then reports
    // the file as unreadable.
    char* page = reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(at) & ~(pageSize - 1));
    const bool ours = watchedBegin != nullptr && at >= watchedBegin && at < watchedBegin + watchedSize;
    if (!ours || mmap(page, static_cast<std::size_t>(watchedBegin + watchedSize - page), PROT_READ,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
        // Not ours, or not to be mended: the next try of the same access meets the
        // handler that was there before.
        sigaction(SIGBUS, &previousBusAction, nullptr);
        return;
    }
    shrunk = 1;
}

}  // namespace

void WatchMapping(char* begin, std::size_t size)
{
    shrunk = 0;
    pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    watchedSize = size;
    watchedBegin = begin;
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &previousBusAction);
}

void ForgetMapping()
{
    sigaction(SIGBUS, &previousBusAction, nullptr);
    watchedBegin = nullptr;
    watchedSize = 0;
    shrunk = 0;
}

bool MappingShrunk()
{
    return shrunk != 0;
}

}  // namespace leitzahl::posix
