#include "TestFiles.h"
#include "core/Diverse.h"
#include "core/MemoryEntryList.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
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

struct StageCase {
    friend void PrintTo(const StageCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::function<MaybeFailure(MemoryEntryList&, const std::string&)> stage;
};

class OutOfMemoryTest : public testing::TestWithParam<StageCase> {};

// Each stage runs in a fresh process whose memory is nearly used up; it must report, not
// end. (A forked child would inherit memory that earlier tests' threads left free.)
TEST_P(OutOfMemoryTest, StageReportsInsteadOfEnding)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
    const StageCase& c = GetParam();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto run = [&] {
        MemoryEntryList list;
        std::string text;
        for (int i = 0; i < 400000; ++i) {
            list.append(std::to_string(10000000 + i) + ";Bank;00");
            text += test::Record("10020030", "Bank", "00") + "\n";
        }
        const auto taken = LeaveLittleMemory();
        const MaybeFailure failure = c.stage(list, text);
        return failure && failure->number == ENOMEM && !failure->description.empty() ? 0 : 1;
    };
    EXPECT_EXIT(std::exit(run()), testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Memory, OutOfMemoryTest,
    testing::Values(StageCase{"Import",
                              [](MemoryEntryList&, const std::string& text) {
                                  MemoryEntryList fresh;
                                  return ImportSortCodeText(text, fresh).failure;
                              }},
                    StageCase{"DuplicateRemoval",
                              [](MemoryEntryList& list, const std::string&) { return RemoveDuplicates(list, [] {}); }},
                    StageCase{"ExportText",
                              [](MemoryEntryList& list, const std::string&) { return BuildExportText(list); }}),
    [](const auto& info) { return info.param.name; });

TEST(AbsurdSizeTest, FileLargerThanAnyBufferIsReportedAsTooLarge)
{
    // Only a memory file system takes a sparse file of the largest size there is.
    const std::string path = "/dev/shm/leitzahl-riesig-" + std::to_string(getpid()) + ".txt";
    std::ofstream{path};
    const bool made = truncate(path.c_str(), std::numeric_limits<off_t>::max()) == 0;
    const MaybeFailure failure = made ? LoadFileText(path) : std::nullopt;
    unlink(path.c_str());
    if (!made) {
        GTEST_SKIP() << "no file system here takes a file of that size";
    }
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->number, EFBIG);
    EXPECT_TRUE(FileText.empty());
}

}  // namespace
}  // namespace leitzahl
