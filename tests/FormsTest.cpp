// Every download of the Bundesbank's page, through the converter: the six forms of one
// quarter give the TXT form's bytes, counts and warnings; bad archives and XML give their
// error and write nothing.
#include "TestFiles.h"
#include "cli/CommandLine.h"
#include "core/Failure.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace leitzahl {
namespace {

using Form = generator::Options::Form;

struct Converted {
    int status = 0;
    std::string out;
    std::string err;
    std::string csv;
};

// The converter in this process on the bytes, saved as the given name in a fresh folder.
Converted Convert(std::string_view bytes, const std::string& name = "blz-download")
{
    test::TempDir dir;
    test::WriteBytes(dir.path(name), bytes);
    std::FILE* out = std::fopen(dir.path("out").c_str(), "wb");
    std::FILE* err = std::fopen(dir.path("err").c_str(), "wb");
    const std::string input = dir.path(name);
    const std::string output = dir.path("aus.csv");
    const std::vector<std::string_view> arguments{input, output};
    Converted run;
    run.status = RunCommandLine(arguments, out, err);
    std::fclose(out);
    std::fclose(err);
    run.out = test::ReadBytes(dir.path("out"));
    run.err = test::ReadBytes(dir.path("err"));
    run.csv = test::ReadBytes(output);
    // The folder differs from run to run.
    const std::string folder = dir.path("");
    for (std::size_t at; (at = run.out.find(folder)) != std::string::npos;) {
        run.out.erase(at, folder.size());
    }
    return run;
}

// ASCII text in UTF-16LE with its byte-order mark.
std::string Utf16(std::string_view ascii)
{
    std::string wide = "\xFF\xFE";
    for (const char c : ascii) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

// The text with each CR LF made a CR alone.
std::string CrOnly(std::string text)
{
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
        text.erase(at + 1, 1);
    }
    return text;
}

// Offsets in a one-member archive of the generator's: the central header starts right
// after the local header and the data, and the end record takes the last 22 bytes.
std::size_t CentralHeader(const std::string& zip)
{
    return zip.size() - 22 - (46 + 24);  // 24: the member names here are 24 characters long
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i));
    }
}

TEST(Forms, EveryDownloadGivesTheBytesOfTheTextForm)
{
    // Archives as other tools write them; the largest member spans several inflate pieces.
    const generator::ZipLayout layouts[] = {
        {}, {.method = 0}, {.localExtra = true, .dataDescriptor = true, .folder = true}, {.localExtra = true, .zip64 = true}};
    for (const auto& [records, extended] : {std::pair{300L, false}, {300L, true}, {9000L, false}}) {
        generator::Options options{.records = records, .seed = 11, .crlf = true, .extended = extended};
        const Converted text = Convert(test::Generated(options));
        ASSERT_EQ(text.status, kExitWarning) << text.err;  // the generated names with a ";"
        EXPECT_NE(text.err.find("Einträge haben ein „;“"), std::string::npos) << text.err;
        for (const Form form : {Form::Text, Form::Csv, Form::Xml}) {
            for (std::size_t layout = 0; layout <= std::size(layouts); ++layout) {
                options.form = form;
                options.zipped = layout > 0;
                options.zipLayout = options.zipped ? layouts[layout - 1] : generator::ZipLayout{};
                options.byteOrderMark = options.zipped;
                SCOPED_TRACE(testing::Message() << "form " << static_cast<int>(form) << ", layout " << layout
                                                << ", records " << records << ", extended " << extended);
                Converted run = Convert(test::Generated(options));
                const std::string validity = "gültig vom 05.12.2022 bis 05.03.2023\n";
                if (form == Form::Xml && run.out.ends_with(validity)) {
                    run.out.resize(run.out.size() - validity.size());
                } else {
                    EXPECT_NE(form, Form::Xml) << "no validity line: " << run.out;
                }
                EXPECT_EQ(std::tie(run.status, run.out, run.err), std::tie(text.status, text.out, text.err));
                EXPECT_TRUE(run.csv == text.csv);
            }
        }
    }
}

TEST(Forms, RecordsThatDoNotFitAreCountedByLineOrRecord)
{
    const std::string header = "Bankleitzahl;Merkmal;Bezeichnung;PLZ;Ort;Kurzbezeichnung;PAN;BIC;"
                               "Pr\xFC" "fzifferberechnungsmethode;Datensatznummer;\xC4nderungskennzeichen;"
                               "Bankleitzahll\xF6schung;Nachfolge-Bankleitzahl\r\n";
    const std::string fields = ";\"1\";\"10591\";\"Berlin\";\"BBk\";\"20100\";\"MARKDEF1100\";\"09\";\"011380\";\"U\";\"0\";\"00000000\"";
    const auto xml = [](const std::string& records) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"urn:BBk:BLZ:xsd:BLZDat\">\n" + records +
               "</Document>\n";
    };
    const auto record = [](const std::string& code, const std::string& name, const std::string& method) {
        return "<BLZEintrag><BLZ>" + code + "</BLZ><Merkmal>1</Merkmal>" + name + "<PruefZiffMeth>" + method +
               "</PruefZiffMeth></BLZEintrag>\n";
    };
    // A quoted ";" and a doubled quote inside a name; a line of 12 fields, its name not
    // quoted, with doubled quotes too; a code of 7 digits.
    const std::string csvRecords = "\"10000000\";\"1\";\"Bank \"\"Alt\"\"; Nord\"" + fields.substr(4) + "\r\n" +
                                   "\"10000001\";\"1\";Kurz \"\"K\"\";\"1\";\"2\";\"3\";\"4\";\"5\";\"06\";\"7\";\"U\";\"0\"\r\n" +
                                   "\"1000002\";\"1\";\"Sieben\"" + fields.substr(4) + "\r\n";
    const std::string semicolonWarning =
        "Warnung: 1 Eintrag hat ein „;“ im Text, das in der CSV-Datei eine weitere Spalte ergibt (Bankleitzahl "
        "10000000).\n";
    const std::string csvEntries = "10000000;Bank \"Alt\"; Nord;09\n10000001;Kurz \"K\";06\n1000002;Sieben;09";
    const std::string missingWarning =
        "Warnung: 2 von 2 Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile 1).\n";
    const std::string missingEntries = "10000000;;01\n10000001;Bank;  ";
    const struct {
        std::string input;
        int status;
        std::string err;
        std::string csv;
    } cases[] = {
        {header + csvRecords, kExitWarning,
         "Warnung: 2 von 3 Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile 3).\n" +
             semicolonWarning,
         csvEntries},
        // Without its header line, as a spreadsheet may save it.
        {csvRecords, kExitWarning,
         "Warnung: 2 von 3 Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile 2).\n" +
             semicolonWarning,
         csvEntries},
        // Entities, a missing name, a record without a method code, an empty element.
        {xml(record("10000000", "<Bezeichnung>A &amp; B</Bezeichnung>", "00") + record("10000001", "", "01") +
             record("10000002", "<Bezeichnung/>", "")),
         kExitWarning, "Warnung: 2 von 3 Einträgen sehen nicht wie Einträge der Bankleitzahlendatei aus (erster: Eintrag 2).\n",
         "10000000;A & B;00\n10000001;;01\n10000002;;"},
        // A character that ISO 8859-1 cannot hold keeps the whole result in UTF-8.
        {xml(record("10000000", "<Bezeichnung>M\xC3\xBChle</Bezeichnung>", "00") +
             record("10000001", "<Bezeichnung>\xC5\x81\xC3\xB3\x64\xC5\xBA</Bezeichnung>", "01")),
         kExitWarning,
         "Warnung: 1 Eintrag enthält Zeichen, die ISO 8859-1 nicht kennt; die CSV-Datei ist daher ganz in UTF-8 "
         "geschrieben (Bankleitzahl 10000001).\n",
         "10000000;M\xC3\xBChle;00\n10000001;\xC5\x81\xC3\xB3\x64\xC5\xBA;01"},
        {xml(record("10000000", "<Bezeichnung>M\xC3\xBChle</Bezeichnung>", "00")), kExitSuccess, "",
         "10000000;M\xFChle;00"},
        // The same in UTF-16, with its byte-order mark.
        {Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<Document>" +
               record("10000000", "<Bezeichnung>M&#252;hle</Bezeichnung>", "00") + "</Document>"),
         kExitSuccess, "",
         "10000000;M\xFChle;00"},
        // Declared single-byte encodings and an empty CDATA section, read alike on every system.
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Document>" +
             record("10000000", "<Bezeichnung>M\xFChle<![CDATA[]]> A</Bezeichnung>", "00") + "</Document>\n",
         kExitSuccess, "", "10000000;M\xFChle A;00"},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<Document>" +
             record("10000000", "<Bezeichnung>M\xFChle \x80</Bezeichnung>", "00") + "</Document>\n",
         kExitWarning,
         "Warnung: 1 Eintrag enthält Zeichen, die ISO 8859-1 nicht kennt; die CSV-Datei ist daher ganz in UTF-8 "
         "geschrieben (Bankleitzahl 10000000).\n",
         "10000000;M\xC3\xBChle \xE2\x82\xAC;00"},
        // A line break in a name would cut the CSV line in two.
        {xml(record("10000000", "<Bezeichnung>Bank\nBerlin</Bezeichnung>", "09")), kExitWarning,
         "Warnung: 1 von 1 Einträgen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Eintrag 1).\n",
         "10000000;Bank Berlin;09"},
        // A sort code's control characters are shown escaped in the warning, kept in the CSV.
        {test::Record("\x1B[2J1234", "Bank; Nord", "09"), kExitWarning,
         "Warnung: 1 von 1 Zeilen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile 1).\n"
         "Warnung: 1 Eintrag hat ein „;“ im Text, das in der CSV-Datei eine weitere Spalte ergibt (Bankleitzahl "
         "\\x1B[2J1234).\n",
         "\x1B[2J1234;Bank; Nord;09"},
        // At the edge of ISO 8859-1: U+00FF stays one byte, U+0100 and U+013F do not.
        {xml(record("10000000", "<Bezeichnung>\xC3\xBF</Bezeichnung>", "00")), kExitSuccess, "", "10000000;\xFF;00"},
        {xml(record("10000000", "<Bezeichnung>\xC3\xBF</Bezeichnung>", "00") +
             record("10000001", "<Bezeichnung>\xC4\x80</Bezeichnung>", "01") +
             record("10000002", "<Bezeichnung>\xC4\xBF</Bezeichnung>", "02")),
         kExitWarning,
         "Warnung: 2 Eintr\xC3\xA4ge enthalten Zeichen, die ISO 8859-1 nicht kennt; die CSV-Datei ist daher ganz in "
         "UTF-8 geschrieben (erster: Bankleitzahl 10000001).\n",
         "10000000;\xC3\xBF;00\n10000001;\xC4\x80;01\n10000002;\xC4\xBF;02"},
        // A missing name or method code: in every form warned about, its bytes as they stand.
        {test::Record("10000000", "", "01") + "\r\n" + test::Record("10000001", "Bank", "  ") + "\r\n", kExitWarning,
         missingWarning, missingEntries},
        {"\"10000000\";\"1\";\"\"" + fields.substr(4, 46) + "\"01\"" + fields.substr(54) + "\r\n" +
             "\"10000001\";\"1\";\"Bank\"" + fields.substr(4, 46) + "\"  \"" + fields.substr(54) + "\r\n",
         kExitWarning, missingWarning, missingEntries},
        {xml(record("10000000", "<Bezeichnung></Bezeichnung>", "01") +
             record("10000001", "<Bezeichnung>Bank</Bezeichnung>", "  ")),
         kExitWarning,
         "Warnung: 2 von 2 Eintr\xC3\xA4gen sehen nicht wie Eintr\xC3\xA4ge der Bankleitzahlendatei aus (erster: Eintrag 1).\n",
         missingEntries},
        // Without its header after a blank line; with CR alone at the line ends.
        {"\r\n" + csvRecords, kExitWarning,
         "Warnung: 2 von 3 Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile 3).\n" +
             semicolonWarning,
         csvEntries},
        {CrOnly(header + csvRecords), kExitWarning,
         "Warnung: 2 von 3 Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile 3).\n" +
             semicolonWarning,
         csvEntries},
        // A blank line before a quoted header in small letters, as spreadsheets save it.
        {"\r\n\"bankleitzahl\";\"merkmal\"\r\n\"10000000\";\"1\";\"Bank\"" + fields.substr(4) + "\r\n", kExitSuccess, "",
         "10000000;Bank;09"},
    };
    for (const auto& c : cases) {
        const Converted run = Convert(c.input);
        EXPECT_EQ(std::tie(run.status, run.err, run.csv), std::tie(c.status, c.err, c.csv)) << c.input;
    }
}

TEST(Forms, BadArchivesAndXmlGiveTheirErrorAndWriteNothing)
{
    const std::string text = test::Generated({.records = 20, .crlf = true});
    const std::string zip = test::Zipped("blz-aktuell-txt-data.txt", text);
    const std::size_t central = CentralHeader(zip);
    std::string encrypted = zip;
    encrypted[central + 8] |= 1;
    std::string wrongChecksum = zip;
    Put32(wrongChecksum, central + 16, 12345);
    std::string bomb = zip;
    Put32(bomb, central + 24, (512U << 20) + 1);
    std::string lyingSize = zip;
    Put32(lyingSize, central + 24, 4U << 20);  // more than deflate can pack into these bytes
    std::string longerSize = zip;  // the data ends one byte before the member would
    Put32(longerSize, central + 24, static_cast<std::uint32_t>(text.size() + 1));
    std::string corrupted = zip;
    corrupted[60] = static_cast<char>(corrupted[60] ^ 0x55);  // in the deflated data
    std::string zip64End = zip;  // counts of all ones point to a ZIP64 end record
    zip64End[zip.size() - 22 + 8] = zip64End[zip.size() - 22 + 9] = zip64End[zip.size() - 22 + 10] =
        zip64End[zip.size() - 22 + 11] = '\xFF';
    const std::string emptyArchive("PK\x05\x06" + std::string(18, '\0'));
    const std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                               "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n<d>&b;</d>\n";
    const std::string cut = "<?xml version=\"1.0\"?>\n<Document>\n<BLZEintrag><BLZ>10000000</BLZ></BLZEintrag>";
    const struct {
        std::string input;
        std::int32_t number;
        std::string description;
    } cases[] = {
        {test::Zipped("blz-aktuell-txt-data.txt", text, {.secondFile = "liesmich.txt"}), kErrorArchive,
         "Das ZIP-Archiv enthält 2 Dateien; gelesen wird ein Archiv mit genau einer"},
        // An end record that counts fewer entries than the directory holds: tools differ.
        {test::Zipped("blz-aktuell-txt-data.txt", text, {.secondFile = "liesmich.txt", .endCountsFewer = 1}), kErrorArchive,
         "Das ZIP-Archiv ist beschädigt: sein Verzeichnis enthält 2 Einträge, sein Schluss zählt 1."},
        {test::Zipped("blz-aktuell-txt-data.txt", text, {.method = 12}), kErrorArchive,
         "Die Datei „blz-aktuell-txt-data.txt“ im ZIP-Archiv ist mit bzip2 (Verfahren 12) gepackt, das leitzahl nicht "
         "entpackt; gelesen werden ungepackte und mit Deflate gepackte Dateien."},
        // A name's control characters can neither end the message's line nor steer the terminal.
        {test::Zipped("x\n\x1B[2JFehler 1: \xC2\x9B.pdf", "%PDF-1.4\n"), kErrorArchive,
         "Das ZIP-Archiv enthält keine Bankleitzahlendatei, sondern „x\\x0A\\x1B[2JFehler 1: \\xC2\\x9B.pdf“.\n"},
        {encrypted, kErrorArchive, "Die Datei „blz-aktuell-txt-data.txt“ im ZIP-Archiv ist verschlüsselt."},
        {wrongChecksum, kErrorArchive, "Das ZIP-Archiv ist beschädigt: die Prüfsumme der Datei"},
        {corrupted, kErrorArchive, "Das ZIP-Archiv ist beschädigt"},
        {zip.substr(0, zip.size() / 2), kErrorArchive, "Das ZIP-Archiv ist beschädigt oder unvollständig."},
        {longerSize, kErrorArchive, "Das ZIP-Archiv ist beschädigt oder unvollständig."},
        {lyingSize, kErrorArchive, "Das ZIP-Archiv ist beschädigt: die Größe der Datei „blz-aktuell-txt-data.txt“ passt nicht"},
        {bomb, kErrorArchive, "Die Datei „blz-aktuell-txt-data.txt“ im ZIP-Archiv ist entpackt größer als 512 MiB"},
        {emptyArchive, kErrorArchive, "Das ZIP-Archiv ist leer."},
        {zip64End, kErrorArchive, "Das ZIP-Archiv hat das ZIP64-Verzeichnis sehr großer Archive; so groß ist keine"},
        {test::Zipped("Anleitung-zur-Datei.pdf", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n"), kErrorArchive,
         "Das ZIP-Archiv enthält keine Bankleitzahlendatei, sondern „Anleitung-zur-Datei.pdf“."},
        {test::Zipped("blz-aktuell-txt-data.zip", zip), kErrorArchive, "Das ZIP-Archiv enthält keine Bankleitzahlendatei"},
        {"<?xml version=\"1.0\"?>\n<Document>\n<BLZEintrag><BLZ>1</BLZ>\n</Document>\n", kErrorXml,
         "Die XML-Datei ist in Zeile 4 nicht wohlgeformt."},
        // Cut right after a record, after its line end, inside the white space after it, after
        // or inside a comment or an instruction, and in UTF-16: named by the last line.
        {cut, kErrorXml, "Die XML-Datei ist in Zeile 3 nicht wohlgeformt."},
        {cut + "\n", kErrorXml, "Die XML-Datei ist in Zeile 4 nicht wohlgeformt."},
        {cut + "\r\n  ", kErrorXml, "Die XML-Datei ist in Zeile 4 nicht wohlgeformt."},
        {cut + "<!-- Ende -->", kErrorXml, "Die XML-Datei ist in Zeile 3 nicht wohlgeformt."},
        {cut + "\n<!-- Ende", kErrorXml, "Die XML-Datei ist in Zeile 4 nicht wohlgeformt."},
        {cut + "<?ende?>", kErrorXml, "Die XML-Datei ist in Zeile 3 nicht wohlgeformt."},
        {cut + "\n\n<?ende", kErrorXml, "Die XML-Datei ist in Zeile 5 nicht wohlgeformt."},
        {Utf16(cut + "\n"), kErrorXml, "Die XML-Datei ist in Zeile 4 nicht wohlgeformt."},
        {"<?xml version=\"1.0\" encoding=\"KOI8-R\"?>\n<Document/>\n", kErrorXml,
         "Die XML-Datei ist in der Kodierung „KOI8-R“ geschrieben, die leitzahl nicht liest; gelesen werden UTF-8, "
         "UTF-16, ISO-8859-1 und windows-1252.\n"},
        {laughs, kErrorXml, "Die XML-Datei enthält in Zeile 2 eine Dokumenttypdefinition (DOCTYPE)"},
        {test::Zipped("blz-aktuell-xml-data.xml", laughs), kErrorXml, "Die XML-Datei enthält in Zeile 2 eine"},
        {"<?xml version=\"1.0\"?>\n<Document/>\n", kErrorNoEntries, "Die Datei „"},
    };
    for (const auto& c : cases) {
        const Converted run = Convert(c.input);
        const std::string expected = "Fehler " + std::to_string(c.number) + ": " + c.description;
        EXPECT_TRUE(run.err.starts_with(expected)) << run.err << "\nexpected: " << expected;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(std::tie(run.status, run.out, run.csv), std::tie(kExitFailure, "", "")) << c.description;
    }
}

}  // namespace
}  // namespace leitzahl
