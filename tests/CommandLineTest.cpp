#include "TestFiles.h"
#include "cli/CommandLine.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace leitzahl {
namespace {

const std::string kInput = test::Record("10020030", "Sparkasse B\xE4renfels", "A4") + "\r\n" +
                           test::Record("10020030", "Sparkasse B\xE4renfels Filiale", "A4") + "\r\n" +
                           test::Record("20030040", "Volksbank Eschenrode", "06") + "\r\n";
const std::string kCsv = "10020030;Sparkasse B\xE4renfels;A4\n20030040;Volksbank Eschenrode;06";
const std::string kSummary = "3 Einträge in blz.txt\n2 Einträge in obiger Liste (1 doppelte Einträge entfernt).\n"
                             "Ergebnis gespeichert unter : aus.csv\n";

// The converter run in this process, in a temporary folder: its exit status, the start
// of what it prints on either stream, and what aus.csv holds afterwards; where it writes
// no CSV, the folder stays as it was. A workbook keeps a ";" in its cell: no warning.
TEST(CommandLine, ExitStatusMessagesAndCsv)
{
    const std::filesystem::path before = std::filesystem::current_path();
    test::TempDir dir;
    std::filesystem::current_path(dir.path(""));
    test::WriteBytes("blz.txt", kInput);
    test::WriteBytes("tabelle.txt", "Bankleitzahl;Merkmal;Bezeichnung\n10020030;1;Sparkasse\n");
    test::WriteBytes("leer.txt", "");
    test::WriteBytes("semikolon.txt", test::Record("30040050", "Bank; Filiale", "00"));
    struct {
        std::vector<std::string_view> arguments;
        int status;
        std::string out;
        std::string err;
        std::string csv;
        std::string written = "aus.csv";
    } const cases[] = {
        {{"blz.txt", "aus"}, kExitSuccess, kSummary, "", kCsv},
        {{"fehlt.txt", "aus"}, kExitFailure, "", "Fehler 2: Die Datei „fehlt.txt“ kann nicht gelesen werden: ", ""},
        {{"tabelle.txt", "aus"}, kExitWarning, "1 Einträge",
         "Warnung: 1 von 1 Zeilen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile 2).\n",
         "10020030;Sparkasse;"},
        {{"semikolon.txt", "aus"}, kExitWarning, "1 Einträge",
         "Warnung: 1 Eintrag hat ein „;“ im Text, das in der CSV-Datei eine weitere Spalte ergibt (Bankleitzahl "
         "30040050).\n",
         "30040050;Bank; Filiale;00"},
        {{"semikolon.txt", "aus.xlsx"}, kExitSuccess, "1 Einträge", "", "PK\x03\x04", "aus.xlsx"},
        {{"leer.txt", "aus"}, kExitFailure, "",
         "Fehler 1003: Die Datei „leer.txt“ enthält keine Einträge der Bankleitzahlendatei.\n", ""},
        {{"blz.txt", "fehlt/"}, kExitUsage, "", "AUSGABE muss eine Datei nennen", ""},
        {{"blz.txt", "."}, kExitUsage, "", "AUSGABE muss eine Datei nennen", ""},
        {{"--version"}, kExitSuccess, "leitzahl " LEITZAHL_VERSION "\n", "", ""},
        {{"-x", "a", "b"}, kExitUsage, "", "Unbekannte Option: -x\nAufruf:", ""},
        {{}, kExitUsage, "", "EINGABE und AUSGABE fehlen.\nAufruf:", ""},
        {{"a", "b", "c"}, kExitUsage, "", "Zu viele Argumente: erwartet sind EINGABE und AUSGABE.\nAufruf:", ""}};
    for (const auto& c : cases) {
        std::filesystem::remove("aus.csv");
        std::filesystem::remove("aus.xlsx");
        std::FILE* out = std::fopen("out", "wb");
        std::FILE* err = std::fopen("err", "wb");
        const auto namesBefore = dir.names().size();
        SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments.front());
        EXPECT_EQ(RunCommandLine(c.arguments, out, err), c.status);
        std::fclose(out);
        std::fclose(err);
        const std::string printed = test::ReadBytes("out");
        const std::string warned = test::ReadBytes("err");
        EXPECT_TRUE(printed.starts_with(c.out)) << printed;
        EXPECT_TRUE(warned.starts_with(c.err)) << warned;
        EXPECT_EQ(printed.empty(), c.out.empty());
        EXPECT_EQ(warned.empty(), c.err.empty());
        if (c.csv.empty()) {
            EXPECT_EQ(dir.names().size(), namesBefore);
        } else if (c.written.ends_with(".xlsx")) {
            EXPECT_TRUE(test::ReadBytes(c.written).starts_with(c.csv));
        } else {
            EXPECT_EQ(test::ReadBytes(c.written), c.csv);
        }
    }
    // Before the folder goes, which Windows refuses while it is the current one.
    std::filesystem::current_path(before);
}

}  // namespace
}  // namespace leitzahl
