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

// A file another program holds open (a spreadsheet: shared with nobody), a read-only
// file, a folder, a missing folder and an invalid name: the system's error, nothing changed.
TEST(WindowsFile, RefusedSaveGivesTheSystemsErrorAndKeepsTheFolder)
{
    test::TempDir dir;
    test::WriteBytes(dir.path("schreibgeschuetzt.csv"), "alt");
    SetFileAttributesA(dir.path("schreibgeschuetzt.csv").c_str(), FILE_ATTRIBUTE_READONLY);
    std::filesystem::create_directory(dir.path("ordner.csv"));
    test::WriteBytes(dir.path("gehalten.csv"), "alt");
    HANDLE held = CreateFileA(dir.path("gehalten.csv").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FileText = "neu";
    for (const auto& [target, number] :
         {std::pair{"gehalten.csv", ERROR_SHARING_VIOLATION}, {"schreibgeschuetzt.csv", ERROR_ACCESS_DENIED},
          {"ordner.csv", ERROR_ACCESS_DENIED}, {"fehlt\\blz.csv", ERROR_PATH_NOT_FOUND}, {"a<b>.csv", ERROR_INVALID_NAME}}) {
        const ExportResult result = WriteExportFile(dir.path(target));
        ASSERT_TRUE(result.failure.has_value()) << target;
        EXPECT_EQ(result.failure->number, number) << target;
    }
    CloseHandle(held);
    SetFileAttributesA(dir.path("schreibgeschuetzt.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test::ReadBytes(dir.path("schreibgeschuetzt.csv")), "alt");
    EXPECT_EQ(test::ReadBytes(dir.path("gehalten.csv")), "alt");
    EXPECT_EQ(dir.names().size(), 3U);
}

TEST(WindowsFile, FolderAndFileNamesWithUmlautsRoundTrip)
{
    test::TempDir dir;
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
