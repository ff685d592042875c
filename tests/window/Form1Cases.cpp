// The window's behaviour, the same cases for the Qt and the Win32 window: each test
// program links this file with its window system's driver.
#include "TestFiles.h"
#include "WindowDriver.h"
#include "core/Version.h"
#include "core/modFileToTextBox.h"
#include "ui/shared/FormTexts.h"
#include "ui/shared/ReadableColours.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

namespace leitzahl::test {

void PrintTo(const Shown& shown, std::ostream* out)
{
    *out << testing::PrintToString(std::tie(shown.caption, shown.label2, shown.label3, shown.label2IsLink,
                                            shown.saveEnabled, shown.listShown, shown.rows));
}

namespace {

// The answers of each step that runs and what the dialogs showed, innermost last: a step
// run inside another one answers the dialogs opened meanwhile.
struct Step {
    std::vector<std::string> answers;
    std::vector<Seen> seen;
};
std::vector<Step> steps;

const std::string kRecordA = Record("10020030", "Sparkasse M\xFChlbr\xFC" "ck", "A4");
const std::string kRecordB = Record("10020030", "Sparkasse M\xFChlbr\xFC" "ck Filiale", "A4");
const std::string kRecordC = Record("20030040", "Volksbank Gr\xFCnh\xFCgel \x80", "C6");
const std::string kSortCodeFile = kRecordA + "\r\n" + kRecordB + "\r\n" + kRecordC + "\r\n";
const std::vector<std::string> kShownRows{"10020030;Sparkasse Mühlbrück;A4", "20030040;Volksbank Grünhügel €;C6"};
const Shown kStart{'V' + std::to_string(kVersionMajor) + '.' + std::to_string(kVersionMinor) + form::kCaptionAfterVersion,
                   std::string(form::kStartTextFirstLine) + "\r\n" + form::kDownloadAddress, "", true, false, true, {}};

// What a box or dialog showed, with no more of its text than the given length.
auto Fields(const Seen& seen, std::size_t textLength = std::string::npos)
{
    return std::tuple(seen.title, seen.text.substr(0, textLength), seen.folder, seen.icon);
}

class Form1Test : public testing::Test {
protected:
    // Else the first dialog would wait for an answer that never comes.
    void SetUp() override { ASSERT_TRUE(window.ready) << "the window system's test hooks did not start"; }
    // A path in the test's folder, with the system's own separators.
    std::string at(const std::string& name) const
    {
        return std::filesystem::path(dir.path(name)).make_preferred().string();
    }
    std::string summary(const std::string& name, int read, int kept) const
    {
        return std::to_string(read) + " Einträge in " + at(name) + "\r\n" + std::to_string(kept) +
               " Einträge in obiger Liste (" + std::to_string(read - kept) + " doppelte Einträge entfernt).";
    }

    TempDir dir;
    WindowDriver window;
};

// A cancelled open changes nothing of the start state.
TEST_F(Form1Test, StartStateAndCancelledOpen)
{
    for (int cancelled = 0; cancelled < 2; ++cancelled) {
        EXPECT_EQ(window.shown(), kStart);
        EXPECT_EQ(Fields(window.click(0, {""})[0]), Fields({"blz Textdatei öffnen", "", window.programFolder()}));
    }
}

// Each way to open a file, with a list there before: named on the command line (also
// without a folder), dropped after a folder, chosen in the open dialog. A file that cannot
// be read in full gives the error box and an empty list; else the summary, a warning for a
// line that is no record, the entries decoded from Windows 1252 or UTF-8, and save
// enabled at the next tick.
TEST_F(Form1Test, OpenShowsEntriesOrTheErrorBoxAndAnEmptyList)
{
    WriteBytes(at("blz.txt"), kSortCodeFile + kRecordC.substr(0, 100));
    WriteBytes(at("kurz.txt"), kRecordA + "\r\n1234567\r\n");
    // A copy re-saved as UTF-8, whose name field holds 58 characters in 61 bytes.
    WriteBytes(at("utf8.txt"),
               Record("10020030", "", "A4").replace(9, 58, "M\xC3\xBChlenbank \xE2\x82\xAC" + std::string(46, ' ')) +
                   "\n");
    const Seen warning{"Warnung", "1 von 4 Zeilen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile 4).",
                       "", Icon::Warning};
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path(""));
    const std::tuple<std::function<std::vector<Seen>()>, Seen, std::string, int, std::vector<std::string>> opens[] = {
        {[&] { return window.handOver("fehlt.txt", {""}); }, {"2", "Die Datei „" + at("fehlt.txt") + "“ kann nicht gelesen werden: ", "", Icon::Error},
         "", 0, {}},
        {[&] { return window.handOver(at("kurz.txt"), {""}); },
         {"1001", "Zeile 2 ist zu kurz für einen Eintrag der Bankleitzahlendatei.", "", Icon::Error}, "", 0, {}},
        {[&] { return window.drop({dir.path(""), "blz.txt"}, {""}); }, warning, "blz.txt", 4, kShownRows},
        {[&] { return window.handOver(at("utf8.txt")); }, {}, "utf8.txt", 1, {"10020030;Mühlenbank €;A4"}},
        // The open dialog last, as the Windows one changes the current folder.
        {[&] { return window.click(0, {at("blz.txt"), ""}); }, warning, "blz.txt", 4, kShownRows}};
    for (const auto& [open, box, name, read, rows] : opens) {
        SCOPED_TRACE(name + box.title);
        window.form.entries().append("12345678;Alt;00");
        const std::vector<Seen> seen = open();
        if (!seen.empty()) {
            EXPECT_EQ(Fields(seen.back(), box.text.size()), Fields(box));
        }
        // A tick while the error box was open may have added a dot; the next one, with
        // the list shown again, takes it away.
        window.form.Timer1_Timer();
        if (rows.empty()) {
            EXPECT_EQ(window.shown(), kStart);
        } else {
            EXPECT_TRUE(FileText.empty());
            const auto kept = static_cast<int>(rows.size());
            EXPECT_EQ(window.shown(), (Shown{kStart.caption, summary(name, read, kept), "", false, true, true, rows}));
        }
    }
    std::filesystem::current_path(before);
}

// Every download of one quarter, in whichever form and under whichever name, shows the
// list and the counts of the text form; the summary names the file opened. (The converter's
// cases compare the warnings; each box costs seconds under Wine.)
TEST_F(Form1Test, EveryDownloadFormShowsTheSameList)
{
    using Form = generator::Options::Form;
    generator::Options options{.records = 30, .seed = 7, .crlf = true, .semicolonNames = false};
    WriteBytes(at("blz.txt"), Generated(options));
    window.handOver(at("blz.txt"));
    const Shown text = window.shown();
    // Downloads get renamed: the XML here as a text file.
    const std::string names[] = {"blz-aktuell-csv-data(1).csv", "blz-aktuell-csv-zip-data.zip", "blz-aktuell.txt",
                                 "blz-aktuell-xml-zip-data.zip", "blz-aktuell-txt-zip-data.zip"};
    for (int next = 0; next < 5; ++next) {
        options.form = next < 2 ? Form::Csv : next < 4 ? Form::Xml : Form::Text;
        options.zipped = next % 2 == 1 || next == 4;
        const std::string& name = names[next];
        WriteBytes(at(name), Generated(options));
        SCOPED_TRACE(name);
        window.handOver(at(name));
        Shown shown = window.shown();
        EXPECT_EQ(shown.label2, summary(name, 30, static_cast<int>(text.rows.size())));
        shown.label2 = text.label2;
        shown.label3 = text.label3;  // dots from ticks of a slow run
        EXPECT_EQ(shown, text);
    }
}

// A cancelled save and one into a missing folder keep the list; a name without
// extension gets ".csv", and the saved list empties; save is disabled at the next tick.
TEST_F(Form1Test, SaveKeepsListUntilWrittenAndCompletesName)
{
    WriteBytes(at("blz.txt"), kSortCodeFile);
    window.handOver(at("blz.txt"));
    window.form.Timer1_Timer();
    Shown expected = window.shown();
    EXPECT_EQ(window.click(1, {""})[0].title, "CSV Datei speichern");
    const Seen box = window.click(1, {at("fehlt/ergebnis.csv"), ""})[1];
    EXPECT_TRUE(box.text.starts_with("Die Datei „" + at("fehlt/ergebnis.csv") + "“ kann nicht geschrieben")) << box.text;
    EXPECT_EQ(box.icon, Icon::Error);
    EXPECT_EQ(window.shown(), expected);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"blz.txt"});

    window.click(1, {at("ergebnis")});
    // The text was built twice before; each entry is still written once.
    EXPECT_EQ(ReadBytes(at("ergebnis.csv")), "10020030;Sparkasse M\xFChlbr\xFC" "ck;A4\n20030040;Volksbank Gr\xFCnh\xFCgel \x80;C6");
    expected.label2 = "Ergebnis gespeichert unter : " + at("ergebnis.csv");
    expected.rows.clear();
    EXPECT_EQ(window.shown(), expected);
    EXPECT_TRUE(FileText.empty());
    window.form.Timer1_Timer();
    expected.saveEnabled = false;
    EXPECT_EQ(window.shown(), expected);
}

// The save dialog offers the CSV first and as the default, the workbook second. A name
// ending in ".xlsx" is a workbook under either filter; under the workbook's, a name
// without extension gets ".xlsx"; any other keeps the CSV's rule. The workbook a real
// reader opens holds what the CSV of the same list does (under Wine the script that
// runs this case reads the copies it asks for).
TEST_F(Form1Test, SaveOffersTheWorkbookBesideTheCsv)
{
    WriteBytes(at("blz.txt"), kSortCodeFile);
    const struct {
        std::string answer;
        std::string saved;
    } rows[] = {
        {at("liste"), at("liste.csv")},
        {UnderSecondFilter(at("mappe")), at("mappe.xlsx")},
        {at("Mappe2.XLSX"), at("Mappe2.XLSX")},
        {UnderSecondFilter(at("bericht.txt")), at("bericht.txt.csv")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer);
        window.handOver(at("blz.txt"));
        window.form.Timer1_Timer();
        const Seen dialog = window.click(1, {row.answer}).at(0);
        EXPECT_EQ(dialog.filters, (std::vector<std::string>{form::kSaveFilterName, form::kSaveWorkbookName}));
        EXPECT_EQ(dialog.filter, 0);
        EXPECT_EQ(window.shown().label2, "Ergebnis gespeichert unter : " + row.saved);
        EXPECT_EQ(ReadBytes(row.saved).starts_with("PK\x03\x04"), row.saved.ends_with("XLSX") || row.saved.ends_with("xlsx"));
    }
#ifdef _WIN32
    if (const char* keep = std::getenv("LEITZAHL_KEEP_SAVED")) {
        for (const char* name : {"liste.csv", "mappe.xlsx"}) {
            std::filesystem::copy_file(at(name), std::filesystem::path(keep) / name);
        }
    }
#else
    EXPECT_EQ(std::system(("/usr/bin/python3 " LEITZAHL_SOURCE_DIR "/tests/cli/check_workbook.py '" + at("liste.csv") +
                           "' '" + at("mappe.xlsx") + "' -")
                              .c_str()),
              0);
#endif
}

// Inside the duplicate removal: the list hidden, save disabled although the list has
// entries, a dot per tick; a nested open, whose file the outer one replaces; the end
// button ends at once. The close box ends too.
TEST_F(Form1Test, DuringRemovalSaveIsDisabledDotsGrowNestedOpenYieldsAndEndEnds)
{
    WriteBytes(at("gross.txt"), Generated({.records = 40000, .seed = 5, .crlf = true, .semicolonNames = false}));
    WriteBytes(at("klein.txt"), kSortCodeFile);
    window.form.entries().append("12345678;Alt;00");
    window.form.Timer1_Timer();
    ASSERT_TRUE(window.shown().saveEnabled);
    window.whenListHidden = [&] {
        // What runs meanwhile may add to the list; hidden, it still offers nothing to save.
        window.form.entries().append("12345678;Neu;00");
        Shown expected = window.shown();
        EXPECT_FALSE(expected.saveEnabled);
        window.form.Timer1_Timer();
        expected.label3 += ".";
        EXPECT_EQ(window.shown(), expected);
        window.click(0, {at("klein.txt")});
        window.click(2);
    };
    window.click(0, {at("gross.txt")});
    const Shown after = window.shown();
    EXPECT_TRUE(after.label2.starts_with("40000 Einträge in " + at("gross.txt"))) << after.label2;
    EXPECT_GT(after.rows.size(), 20000U);
    window.form.Timer1_Timer();
    EXPECT_EQ(window.shown().label3, "");
    window.closeBox();
    EXPECT_EQ(window.ends, (std::vector<std::string>{summary("klein.txt", 3, 2), after.label2}));
}

// Each text the window colours itself reads (4.5:1), as link line and as status line, in
// each scheme as it is chosen while the window is open, and so does the link's focus frame
// (3:1, along its whole side); where no colour of the scheme reads, the better of black and white. The usual
// light colours, chosen last for the other cases, keep the designed ones, and the link
// looks unlike the status line: in another colour, or underlined.
TEST_F(Form1Test, TextsReadInEveryScheme)
{
    // The formula's own figures: black on white, and the palest grey that reads on white.
    EXPECT_NEAR(form::ContrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 0.01);
    EXPECT_NEAR(form::ContrastRatio({255, 255, 255}, {118, 118, 118}), 4.54, 0.01);
    WriteBytes(at("blz.txt"), kSortCodeFile);
    for (const form::Colour& label2 : {form::kLinkColour, form::kStatusColour}) {
        for (const Scheme scheme : {Scheme::Dark, Scheme::HighContrast, Scheme::Grey, Scheme::Light}) {
            window.useScheme(scheme);
            std::vector<std::pair<form::Colour, form::Colour>> colours;
            for (const char* label : {"Label1", "Label2", "Label3"}) {
                const auto& [text, background] = colours.emplace_back(window.colours(label));
                // Label1 keeps the scheme's own text colour, which the grey scheme spoils.
                EXPECT_TRUE(form::ContrastRatio(text, background) >= form::kReadableContrast ||
                            (scheme == Scheme::Grey && label == std::string("Label1")))
                    << label << int(scheme);
            }
            EXPECT_TRUE(scheme != Scheme::Light || (colours[1].first == label2 && colours[2].first == form::kDotsColour));
            if (label2 == form::kLinkColour) {
                const form::Colour status =
                    form::ReadableColour({form::kStatusColour, colours[0].first}, colours[1].second);
                EXPECT_TRUE(colours[1].first != status || window.underlined("Label2")) << "a link like plain text";
                EXPECT_TRUE(window.tabGoesTo("Command1_2", "Label2"));
                // Whole, not dotted: each pixel of its side.
                for (const form::Colour& pixel : window.focusFrame()) {
                    EXPECT_GE(form::ContrastRatio(pixel, colours[1].second), 3.0) << int(scheme);
                }
            }
        }
        window.handOver(at("blz.txt"));
    }
}

// Keyboard and screen readers: Tab after the end button reaches the link line, a link read
// as one line, and Enter, Space and a screen reader's action open the page; the texts the
// list covers are not shown to screen readers. The status line the link turns into is
// announced and passed by; the focus that was on it goes to the open button, which screen
// readers are told. The first entry is then the list's current one, unselected, and is
// told when the list gets the focus; Down goes on to the second.
TEST_F(Form1Test, LinkLineByKeyboardAndScreenReader)
{
    WriteBytes(at("blz.txt"), kSortCodeFile);
    EXPECT_EQ(window.accessible("List1").name, form::kList1Name);
    EXPECT_NE(window.accessible("Form1").role, std::optional<std::string>("other"));
    const Heard link = window.accessible("Label2");
    EXPECT_EQ(link.name, std::string(form::kStartTextFirstLine) + " " + form::kDownloadAddress);
    EXPECT_NE(link.role, std::optional<std::string>("other"));
    EXPECT_NE(link.action, "");
    EXPECT_EQ(window.activate("Label2"), 1);
    for (const char* covered : {"Label1", "Label3"}) {
        EXPECT_FALSE(window.accessible(covered).showing) << covered;
    }
    EXPECT_TRUE(window.tabGoesTo("Command1_2", "Label2"));
    EXPECT_EQ(window.press(true) + window.press(false), 2);
    window.told();
    window.handOver(at("blz.txt"));
    EXPECT_EQ(window.focused(), "Command1_0");
    const std::optional<Told> told = window.told();
    EXPECT_TRUE(!told || *told == (Told{1, "Command1_0"})) << told->statusLine << told->focus;
    EXPECT_TRUE(window.tabGoesTo("Command1_2", "Command1_0"));
    const Heard status = window.accessible("Label2");
    EXPECT_NE(status.role, std::optional<std::string>("link"));
    EXPECT_EQ(status.action, "");
    EXPECT_EQ(window.currentEntry(), std::pair(kShownRows[0], false));
    window.told();
    EXPECT_TRUE(window.tabGoesTo("Command1_0", "List1"));
    // Which entry is told is the list view's own doing on Windows, which Wine does not do.
    const std::optional<Told> entry = window.told();
    EXPECT_TRUE(!entry || entry->focus.starts_with("List1")) << entry->focus;
    window.down();
    EXPECT_EQ(window.currentEntry().first, kShownRows[1]);
}

}  // namespace

std::vector<Seen> Answering(const std::vector<std::string>& answers, const std::function<void()>& step)
{
    steps.push_back({answers, {}});
    step();
    std::vector<Seen> seen = std::move(steps.back().seen);
    steps.pop_back();
    EXPECT_EQ(seen.size(), answers.size()) << "not every dialog showed";
    seen.resize(answers.size());
    return seen;
}

std::optional<std::string> NextAnswer(const Seen& seen)
{
    if (steps.empty() || steps.back().seen.size() == steps.back().answers.size()) {
        ADD_FAILURE() << "a dialog showed that the case does not expect: " << seen.title;
        return std::nullopt;
    }
    steps.back().seen.push_back(seen);
    return steps.back().answers[steps.back().seen.size() - 1];
}

}  // namespace leitzahl::test
