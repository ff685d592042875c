#include "TestFiles.h"
#include "cli/CommandLine.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <filesystem>

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
        {{"{dir}blz.txt", ""}, kExitUsage, "", "AUSGABE muss eine Datei nennen", ""},
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

TEST_F(CommandLineTest, StandardInputToStandardOutput)
{
    const int status = test::RunShell(test::Quoted(LEITZAHL_CLI) + " - - <" + test::Quoted(dir.path("blz.txt")) + " >" +
                                      test::Quoted(dir.path("out")) + " 2>" + test::Quoted(dir.path("err")));
    EXPECT_EQ(status, kExitSuccess);
    EXPECT_EQ(test::ReadBytes(dir.path("out")), kCsv) << "the CSV bytes, with no CR added";
    std::string messages = test::ReadBytes(dir.path("err"));
#ifdef _WIN32
    std::erase(messages, '\r');  // messages end their lines as the console does
#endif
    EXPECT_TRUE(messages.starts_with("3 Einträge in (Standardeingabe)\n")) << messages;
    EXPECT_TRUE(messages.ends_with("Ergebnis gespeichert unter : (Standardausgabe)\n")) << messages;
}

#ifndef _WIN32
// The leak checker of a sanitizer build cannot run under strace.
constexpr char kStrace[] = "ASAN_OPTIONS=detect_leaks=0 strace";

// The converter run as a program under conditions a script may give it: exit status,
// the start of its messages and the files it leaves ({cli} stands for the program).
TEST_F(CommandLineTest, ProgramUnderHostileConditions)
{
    // strace makes the first fsync, that of the temporary file, bring the signal.
    const auto signalDuringSave = [](const char* signal) {
        return std::string(kStrace) + " -o /dev/null -e trace=fsync -e inject=fsync:signal=" + signal +
               ":when=1 {cli} '{dir}blz.txt' '{dir}aus' >/dev/null";
    };
    const std::tuple<std::string, int, const char*, std::vector<std::string>> cases[] = {
        {"cd '{dir}' && cp blz.txt ./-blz.txt && {cli} -- -blz.txt -aus >/dev/null", kExitSuccess, "",
         {"-aus.csv", "-blz.txt"}},
        // The CSV is saved; only the summary is lost, and that is said once.
        {"{cli} '{dir}blz.txt' '{dir}aus' >/dev/full", kExitMessagesLost,
         "Das Ergebnis wurde unter „{dir}aus.csv“ gespeichert, aber die Meldungen konnten nicht ausgegeben werden: "
         "Kein Speicherplatz", {"aus.csv"}},
        {"{cli} '{dir}blz.txt' '{dir}aus' >&-", kExitMessagesLost,
         "Das Ergebnis wurde unter „{dir}aus.csv“ gespeichert, aber die Meldungen konnten nicht ausgegeben werden: "
         "Der Datenstrom ist geschlossen.\n", {"aus.csv"}},
        {"{ {cli} '{dir}blz.txt' - >&- 2>'{dir}e'; s=$?; cat '{dir}e' >&2; [ \"$(grep -c Fehler '{dir}e')\" = 1 ] || "
         "s=99; exit $s; }",
         kExitFailure,
         "Fehler 9: Die Datei „(Standardausgabe)“ kann nicht geschrieben werden: Der Datenstrom ist geschlossen.\n",
         {"e"}},
        // A pipe is written into under its own name.
        {"mkfifo '{dir}p' && { timeout 10 cat '{dir}p' >'{dir}got' & } && {cli} '{dir}blz.txt' '{dir}p' >/dev/null && "
         "wait && {cli} '{dir}blz.txt' '{dir}aus' >/dev/null && cmp '{dir}got' '{dir}aus.csv'",
         kExitSuccess, "", {"aus.csv", "got", "p"}},
        // Past the file-size limit the save fails like any other, without a temporary file.
        {"{gen} --records 300 '{dir}gross.txt' && (ulimit -f 8; {cli} '{dir}gross.txt' '{dir}aus')", kExitFailure,
         "Fehler 27: Die Datei „{dir}aus.csv“ kann nicht geschrieben werden: Die Datei ist zu groß", {"gross.txt"}},
        // A file written in place (here one with two names) is whole when a signal ends
        // the program during the write (it comes right after the room is taken).
        {"exec 2>/dev/null; {gen} --records 12000 '{dir}g.txt' && {cli} '{dir}g.txt' '{dir}ref' >/dev/null && echo alt >'{dir}aus.csv' && "
         "ln '{dir}aus.csv' '{dir}zwei.csv' && " + std::string(kStrace) +
             " -o /dev/null -e trace=fallocate -e inject=fallocate:signal=SIGTERM {cli} '{dir}g.txt' '{dir}aus' "
             ">/dev/null; s=$?; cmp '{dir}zwei.csv' '{dir}ref.csv' && exit $s",
         128 + SIGTERM, "", {"aus.csv", "g.txt", "ref.csv", "zwei.csv"}},
        {signalDuringSave("SIGINT"), 128 + SIGINT, "", {}},
        {signalDuringSave("SIGTERM"), 128 + SIGTERM, "", {}},
        {signalDuringSave("SIGHUP"), 128 + SIGHUP, "", {}},
        {signalDuringSave("SIGUSR1"), 128 + SIGUSR1, "", {}},
        // A signal ignored at start (nohup) stays ignored.
        {"trap '' HUP; " + signalDuringSave("SIGHUP"), kExitSuccess, "", {"aus.csv"}},
        // The umask, which other threads share, is left alone; the folder is synced after
        // the rename, so that the new file survives a power loss.
        {std::string(kStrace) + " -f -y -o '{dir}trace' -e trace=umask,rename,fsync {cli} '{dir}blz.txt' '{dir}aus' " +
             ">/dev/null && ! grep -q 'umask(' '{dir}trace' && d='{dir}' && sed -n '/rename(/,$p' '{dir}trace' | " +
             "grep -q \"fsync([0-9]*<${d%/}>)\"",
         kExitSuccess, "", {"aus.csv", "trace"}}};
    for (const auto& [line, status, errStart, namesAfter] : cases) {
        std::string commandLine = InFolder(line + " 2>'{dir}stderr'", dir.path(""));
        for (const auto& [name, program] : {std::pair{"{cli}", LEITZAHL_CLI}, {"{gen}", LEITZAHL_GENERATOR}}) {
            for (auto at = commandLine.find(name); at != std::string::npos; at = commandLine.find(name)) {
                commandLine.replace(at, 5, program);
            }
        }
        SCOPED_TRACE(line);
        EXPECT_EQ(test::RunShell(commandLine), status);
        const std::string err = test::ReadBytes(dir.path("stderr"));
        EXPECT_TRUE(err.starts_with(InFolder(errStart, dir.path("")))) << err;
        std::vector<std::string> names = dir.names();
        for (const char* set : {"stderr", "blz.txt", "kurz.txt", "gekuerzt.txt", "tabelle.txt", "leer.txt"}) {
            std::erase(names, set);
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, namesAfter);
        for (const std::string& name : names) {
            std::filesystem::remove(dir.path(name));
        }
    }
}

#endif

}  // namespace
}  // namespace leitzahl
