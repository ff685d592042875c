#include "TestFiles.h"
#include "core/Diverse.h"
#include "core/MemoryEntryList.h"
#include "core/modCsvExport.h"
#include "core/modSortCodeImport.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <malloc.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace leitzahl {
namespace {

// Takes up the memory the allocator holds free and lets the address space grow by a
// little more only, so that what a stage needs must come from the system and fails.
std::vector<std::unique_ptr<char[]>> LeaveLittleMemory()
{
    std::vector<std::unique_ptr<char[]>> taken(mallinfo2().fordblks / 65536);
    for (auto& piece : taken) {
        piece = std::make_unique<char[]>(65536);
    }
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (2 << 20);
    const rlimit both{limit, limit};
    setrlimit(RLIMIT_AS, &both);
    return taken;
}

// Each stage runs in a fresh process whose memory is nearly used up; it must report, not
// end. (A forked child would inherit memory that earlier tests' threads left free.)
TEST(Memory, EveryStageReportsInsteadOfEnding)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const int stage : {0, 1, 2}) {  // import, duplicate removal, CSV text
        const auto run = [&] {
            MemoryEntryList list;
            std::string text;
            for (int i = 0; i < 400000; ++i) {
                list.append(std::to_string(10000000 + i) + ";Bank;00");
                text += test::Record("10020030", "Bank", "00") + "\n";
            }
            const auto taken = LeaveLittleMemory();
            MemoryEntryList imported;
            const MaybeFailure failure = stage == 0   ? ImportSortCodeText(text, imported).failure
                                         : stage == 1 ? RemoveDuplicates(list, [] {})
                                                      : BuildExportText(list);
            return failure && failure->number == ENOMEM && !failure->description.empty() ? 0 : 1;
        };
        EXPECT_EXIT(std::exit(run()), testing::ExitedWithCode(0), "") << "stage " << stage;
    }
}

}  // namespace
}  // namespace leitzahl
