// What only Windows does: files held open by other programs, UTF-16 paths.
#include "TestFiles.h"
#include "core/MemoryEntryList.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"

#include <filesystem>
#include <fstream>
#include <vector>
#include <gtest/gtest.h>
#include <windows.h>

namespace leitzahl {
namespace {

// A file another program holds open (a spreadsheet shares it with nobody, an editor
// shares reading and writing but not deleting), a read-only file, a folder, a missing
// folder and an invalid name: the error the user needs, nothing changed.
TEST(WindowsFile, RefusedSaveGivesTheReasonAndKeepsTheFolder)
{
    test::TempDir dir;
    test::WriteBytes(dir.path("schreibgeschuetzt.csv"), "alt");
    SetFileAttributesA(dir.path("schreibgeschuetzt.csv").c_str(), FILE_ATTRIBUTE_READONLY);
    std::filesystem::create_directory(dir.path("ordner.csv"));
    std::vector<HANDLE> held;
    for (const auto& [name, sharing] : {std::pair{"gehalten.csv", 0UL}, {"im-editor.csv", FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        test::WriteBytes(dir.path(name), "alt");
        held.push_back(CreateFileA(dir.path(name).c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(held.back(), INVALID_HANDLE_VALUE);
    }
    FileText = "neu";
    for (const auto& [target, number] :
         {std::pair{"gehalten.csv", ERROR_SHARING_VIOLATION}, {"im-editor.csv", ERROR_SHARING_VIOLATION},
          {"schreibgeschuetzt.csv", kErrorWriteProtected}, {"ordner.csv", kErrorIsFolder},
          {"fehlt\\blz.csv", ERROR_PATH_NOT_FOUND}, {"a<b>.csv", ERROR_INVALID_NAME}}) {
        const ExportResult result = WriteExportFile(dir.path(target));
        ASSERT_TRUE(result.failure.has_value()) << target;
        EXPECT_EQ(result.failure->number, number) << target;
    }
    for (HANDLE handle : held) {
        CloseHandle(handle);
    }
    SetFileAttributesA(dir.path("schreibgeschuetzt.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const char* name : {"schreibgeschuetzt.csv", "gehalten.csv", "im-editor.csv"}) {
        EXPECT_EQ(test::ReadBytes(dir.path(name)), "alt") << name;
    }
    EXPECT_EQ(dir.names().size(), 4U);
}

// A replaced file keeps its attributes; a folder given as input is named as such.
TEST(WindowsFile, ReplacedFileKeepsWhatItCarried)
{
    test::TempDir dir;
    test::WriteBytes(dir.path("versteckt.csv"), "alt");
    SetFileAttributesA(dir.path("versteckt.csv").c_str(), FILE_ATTRIBUTE_HIDDEN);
    FileText = "neu";
    const ExportResult result = WriteExportFile(dir.path("versteckt.csv"));
    EXPECT_FALSE(result.failure.has_value()) << result.failure->description;
    EXPECT_NE(GetFileAttributesA(dir.path("versteckt.csv").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0U);
    EXPECT_EQ(test::ReadBytes(dir.path("versteckt.csv")), "neu");
    EXPECT_EQ(dir.names().size(), 1U);

    MemoryEntryList list;
    const ImportResult imported = ImportSortCodeFile(dir.path(""), list);
    ASSERT_TRUE(imported.failure.has_value());
    EXPECT_EQ(imported.failure->number, kErrorIsFolder);
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
