#include "TestFiles.h"
#include "cli/CommandLine.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace leitzahl {
namespace {

const std::string kRecordA = test::Record("10020030", "Sparkasse B\xE4renfels", "A4");
const std::string kRecordC = test::Record("20030040", "Volksbank Eschenrode", "06");
const std::string kInput =
    kRecordA + "\r\n" + test::Record("10020030", "Sparkasse B\xE4renfels Filiale", "A4") + "\r\n" + kRecordC + "\r\n";
const std::string kCsv = "10020030;Sparkasse B\xE4renfels;A4\n20030040;Volksbank Eschenrode;06";
const std::string kSummary = "3 Einträge in {dir}blz.txt\n2 Einträge in obiger Liste (1 doppelte Einträge entfernt).\n"
                             "Ergebnis gespeichert unter : {dir}aus.csv\n";

// Replaces each {dir} with the folder's path.
std::string InFolder(std::string text, const std::string& folder)
{
    for (auto at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}", at)) {
        text.replace(at, 5, folder);
    }
    return text;
}

class CommandLineTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::WriteBytes(dir.path("blz.txt"), kInput);
        test::WriteBytes(dir.path("kurz.txt"), kRecordA + "\n1234\n");
        test::WriteBytes(dir.path("gekuerzt.txt"), kRecordA + "\r\n" + kRecordC.substr(0, 140) + "\r\n");
        test::WriteBytes(dir.path("tabelle.txt"), "Bankleitzahl;Merkmal;Bezeichnung\n10020030;1;Sparkasse\n");
        test::WriteBytes(dir.path("leer.txt"), "");
    }

    test::TempDir dir;
};

// The converter run in this process: its exit status, the start of what it prints on
// either stream, and what aus.csv holds afterwards; where it writes no CSV, the folder
// stays as it was. {dir} stands for the temporary folder.
TEST_F(CommandLineTest, ExitStatusMessagesAndCsv)
{
    struct {
        std::vector<std::string> arguments;
        int status;
        std::string out;
        std::string err;
        std::string csv;
    } const cases[] = {
        {{"{dir}blz.txt", "{dir}aus"}, kExitSuccess, kSummary, "", kCsv},
        {{"{dir}fehlt.txt", "{dir}aus"}, kExitFailure, "", "Fehler 2: Die Datei „{dir}fehlt.txt“ kann nicht gelesen werden: ", ""},
        {{"{dir}kurz.txt", "{dir}aus"}, kExitFailure, "",
         "Fehler 1001: Zeile 2 ist zu kurz für einen Eintrag der Bankleitzahlendatei.\n", ""},
        {{"{dir}gekuerzt.txt", "{dir}aus"}, kExitWarning, "2 Einträge",
         "Warnung: 1 von 2 Zeilen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile 2).\n",
         "10020030;Sparkasse B\xE4renfels;A4\n20030040;Volksbank Eschenrode;  "},
        {{"{dir}tabelle.txt", "{dir}aus"}, kExitWarning, "2 Einträge",
         "Warnung: 2 von 2 Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile 1).\n",
         "Bankleit;ahl;Merkmal;Bezeichnung;er\n10020030;1;Sparkasse;02"},
        {{"{dir}leer.txt", "{dir}aus"}, kExitFailure, "",
         "Fehler 1003: Die Datei „{dir}leer.txt“ enthält keine Einträge der Bankleitzahlendatei.\n", ""},
        {{"{dir}blz.txt", "{dir}fehlt/"}, kExitUsage, "", "AUSGABE muss eine Datei nennen", ""},
        {{"{dir}blz.txt", "{dir}."}, kExitUsage, "", "AUSGABE muss eine Datei nennen", ""},
        {{"--version"}, kExitSuccess, "leitzahl " LEITZAHL_VERSION "\n", "", ""},
        {{"-x", "a", "b"}, kExitUsage, "", "Unbekannte Option: -x\nAufruf:", ""},
        {{}, kExitUsage, "", "EINGABE und AUSGABE fehlen.\nAufruf:", ""},
        {{"a", "b", "c"}, kExitUsage, "", "Zu viele Argumente: erwartet sind EINGABE und AUSGABE.\nAufruf:", ""}};
    for (const auto& c : cases) {
        std::vector<std::string> arguments;
        for (const std::string& argument : c.arguments) {
            arguments.push_back(InFolder(argument, dir.path("")));
        }
        const std::vector<std::string_view> views(arguments.begin(), arguments.end());
        std::filesystem::remove(dir.path("aus.csv"));
        std::FILE* out = std::fopen(dir.path("out").c_str(), "wb");
        std::FILE* err = std::fopen(dir.path("err").c_str(), "wb");
        const auto namesBefore = dir.names().size();
        SCOPED_TRACE(arguments.empty() ? "" : arguments.front());
        EXPECT_EQ(RunCommandLine(views, out, err), c.status);
        std::fclose(out);
        std::fclose(err);
        const std::string printed = test::ReadBytes(dir.path("out"));
        const std::string warned = test::ReadBytes(dir.path("err"));
        EXPECT_TRUE(printed.starts_with(InFolder(c.out, dir.path("")))) << printed;
        EXPECT_TRUE(warned.starts_with(InFolder(c.err, dir.path("")))) << warned;
        EXPECT_EQ(printed.empty(), c.out.empty());
        EXPECT_EQ(warned.empty(), c.err.empty());
        if (c.csv.empty()) {
            EXPECT_EQ(dir.names().size(), namesBefore);
        } else {
            EXPECT_EQ(test::ReadBytes(dir.path("aus.csv")), c.csv);
        }
    }
}

}  // namespace
}  // namespace leitzahl
