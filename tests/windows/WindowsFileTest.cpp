// What only Windows does: files held open by other programs, file attributes.
#include "TestFiles.h"
#include "core/MemoryEntryList.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <vector>
#include <windows.h>

namespace leitzahl {
namespace {

// A file another program holds open (a spreadsheet shares it with nobody, an editor
// shares reading and writing but not deleting), a read-only file, a folder, a missing
// folder and an invalid name: the error the user needs, nothing changed. A hidden file
// is replaced and stays hidden; a file with two names is written in place, its longer
// old text cut; a folder given as input is named as such.
TEST(WindowsFile, SaveGivesTheReasonOrKeepsWhatTheFileCarried)
{
    test::TempDir dir;
    for (const auto& [name, attribute] : {std::pair{"schreibgeschuetzt.csv", FILE_ATTRIBUTE_READONLY},
                                          {"versteckt.csv", FILE_ATTRIBUTE_HIDDEN}}) {
        test::WriteBytes(dir.path(name), "alt");
        SetFileAttributesA(dir.path(name).c_str(), attribute);
    }
    test::WriteBytes(dir.path("eins.csv"), "alt und lang");
    ASSERT_TRUE(CreateHardLinkA(dir.path("zwei.csv").c_str(), dir.path("eins.csv").c_str(), nullptr));
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
          {"fehlt\\blz.csv", ERROR_PATH_NOT_FOUND}, {"a<b>.csv", ERROR_INVALID_NAME}, {"versteckt.csv", 0UL}, {"eins.csv", 0UL}}) {
        const ExportResult result = WriteExportFile(dir.path(target));
        EXPECT_EQ(result.failure.value_or(Failure{}).number, static_cast<int>(number)) << target;
        EXPECT_TRUE(number != ERROR_SHARING_VIOLATION ||
                    result.failure.value_or(Failure{}).description.find("Ein anderes Programm verwendet") != std::string::npos);
    }
    for (HANDLE handle : held) {
        CloseHandle(handle);
    }
    SetFileAttributesA(dir.path("schreibgeschuetzt.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const char* name : {"schreibgeschuetzt.csv", "gehalten.csv", "im-editor.csv"}) {
        EXPECT_EQ(test::ReadBytes(dir.path(name)), "alt") << name;
    }
    EXPECT_EQ(test::ReadBytes(dir.path("versteckt.csv")), "neu");
    EXPECT_EQ(test::ReadBytes(dir.path("zwei.csv")), "neu");
    EXPECT_NE(GetFileAttributesA(dir.path("versteckt.csv").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0U);
    EXPECT_EQ(dir.names().size(), 7U);

    MemoryEntryList list;
    EXPECT_EQ(ImportSortCodeFile(dir.path(""), list).failure.value_or(Failure{}).number, kErrorIsFolder);
}

}  // namespace
}  // namespace leitzahl
