// What only Windows does: files held open by other programs, UTF-16 paths.
#include "TestFiles.h"
#include "core/MemoryEntryList.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <windows.h>

namespace leitzahl {
namespace {

class WindowsFileTest : public testing::Test {
protected:
    test::TempDir dir;
};

struct RefusedCase {
    friend void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    const char* target;
    int number;
};

class WindowsRefusedTest : public WindowsFileTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(WindowsRefusedTest, SaveGivesTheSystemsErrorAndKeepsTheFolder)
{
    test::WriteBytes(dir.path("schreibgeschuetzt.csv"), "alt");
    SetFileAttributesA(dir.path("schreibgeschuetzt.csv").c_str(), FILE_ATTRIBUTE_READONLY);
    std::filesystem::create_directory(dir.path("ordner.csv"));
    test::WriteBytes(dir.path("gehalten.csv"), "alt");
    // As a spreadsheet holds a file it shows: open, shared with nobody.
    HANDLE held = CreateFileA(dir.path("gehalten.csv").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FileText = "neu";
    const ExportResult result = WriteExportFile(dir.path(GetParam().target));
    CloseHandle(held);
    SetFileAttributesA(dir.path("schreibgeschuetzt.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->number, GetParam().number);
    EXPECT_EQ(test::ReadBytes(dir.path("schreibgeschuetzt.csv")), "alt");
    EXPECT_EQ(test::ReadBytes(dir.path("gehalten.csv")), "alt");
    EXPECT_EQ(dir.names().size(), 3U);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowsRefusedTest,
    testing::Values(RefusedCase{"HeldByAnotherProgram", "gehalten.csv", ERROR_SHARING_VIOLATION},
                    RefusedCase{"ReadOnlyFile", "schreibgeschuetzt.csv", ERROR_ACCESS_DENIED},
                    RefusedCase{"Folder", "ordner.csv", ERROR_ACCESS_DENIED},
                    RefusedCase{"MissingFolder", "fehlt\\blz.csv", ERROR_PATH_NOT_FOUND},
                    RefusedCase{"InvalidName", "a<b>.csv", ERROR_INVALID_NAME}),
    [](const auto& info) { return info.param.name; });

TEST_F(WindowsFileTest, FolderAndFileNamesWithUmlautsRoundTrip)
{
    // UTF-8, as the program holds paths.
    const std::string folder = dir.path("") + "\xC3\x9C" "berweisungen";
    const std::string input = folder + "\\blz-J\xC3\xA4nner.txt";
    std::filesystem::create_directory(std::filesystem::u8path(folder));
    const std::string record = test::Record("10020030", "M\xFChlenbank", "A4");
    std::ofstream(std::filesystem::u8path(input), std::ios::binary) << record << "\r\n";

    MemoryEntryList list;
    const ImportResult imported = ImportSortCodeFile(input, list);
    ASSERT_FALSE(imported.failure.has_value()) << imported.failure->description;
    ASSERT_FALSE(BuildExportText(list).has_value());
    const ExportResult written = WriteExportFile(folder + "\\Ergebnis f\xC3\xBCr M\xC3\xA4rz");
    ASSERT_FALSE(written.failure.has_value()) << written.failure->description;
    std::ifstream result(std::filesystem::u8path(folder + "\\Ergebnis f\xC3\xBCr M\xC3\xA4rz.csv"), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(result), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, "10020030;M\xFChlenbank;A4");
}

}  // namespace
}  // namespace leitzahl
