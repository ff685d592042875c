// Draws invented banks as the Bundesbank publishes them: a head office record (kind 1)
// followed by branch records (kind 2, without PAN and BIC) of the same sort code with
// other names. Every value each field takes in the published files appears: change flags
// A, D, U and M in about the published shares, deletion flag 1 with a successor on the
// records marked D, names with '&', '"' and ';', and, in a copy re-saved as UTF-8, now and
// then a name, town and short name of umlauts only, which makes the longest line such a
// copy can have. The form (fixed width, CSV, XML, zipped or not) only writes the drawn
// records; it draws nothing itself.
#include "tools/generator/SortCodeFileGenerator.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "tools/generator/FormWriter.h"
#include "tools/generator/Latin1.h"
#include "tools/generator/ZipArchive.h"

namespace leitzahl::generator {

namespace {

constexpr std::array kKinds{"Volksbank", "Raiffeisenbank", "Sparkasse", "Stadtsparkasse",
                            "Kreissparkasse", "Privatbank", "Bürgerbank", "Handelsbank",
                            "Spar- und Darlehnskasse", "Genossenschaftsbank"};
constexpr std::array kTowns{"Übelhausen", "Großwäldern", "Schönau-Ödland", "Mühlbrück",
                            "Düsterbach", "Königsstraß", "Bärenfels", "Fürstenäcker",
                            "Weißenmoor", "Grünhügel", "Lindenhöhe", "Altenkirchhain",
                            "Neuweilerbach", "Eschenrode", "Krähenwinkel", "Süßenbüttel"};
// The last three hold what the CSV and XML forms must quote or escape.
constexpr std::array kSuffixes{"", " eG", " AG", " Zweigstelle Nord", " -alt-", " Filiale Marktplatz",
                               " & Co.", " \"Alte Bank\"", "; Geschäftsstelle"};
// Words that lengthen a name to the full field; real names hold few umlauts.
constexpr std::array kFillers{" und Umgebung", " Landkreis West", " Zweigniederlassung", " Mitte",
                              " Kreditgenossenschaft"};
constexpr std::array kMethods{"00", "01", "06", "09", "10", "17", "28", "32", "34", "38",
                              "52", "63", "76", "88", "99", "A4", "B6", "C6", "D1", "E4"};
constexpr std::string_view kUmlauts = "\xC4\xD6\xDC\xE4\xF6\xFC\xDF";  // Latin-1

class Generator {
public:
    explicit Generator(unsigned long seed) : random_(seed) {}

    std::size_t pick(std::size_t count) { return random_() % count; }

    std::string digits(int count)
    {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += static_cast<char>('0' + pick(10));
        }
        return text;
    }

    std::string bankName(bool semicolons)
    {
        std::string name = ToLatin1(kKinds[pick(kKinds.size())]);
        name += ' ';
        name += ToLatin1(kTowns[pick(kTowns.size())]);
        if (pick(12) == 0) {
            // A name that fills the whole field, cut off like the published names are.
            while (name.size() < 58) {
                name += kFillers[pick(kFillers.size())];
            }
            name.resize(58);
            if (name.back() == ' ') {
                name.back() = '.';
            }
        } else {
            std::string suffix = ToLatin1(kSuffixes[pick(kSuffixes.size())]);
            if (!semicolons) {
                std::replace(suffix.begin(), suffix.end(), ';', ',');
            }
            name += suffix;
        }
        return name;
    }

    // Only umlauts: the most bytes the field can take in a UTF-8 copy.
    std::string umlauts(std::size_t count)
    {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += kUmlauts[pick(kUmlauts.size())];
        }
        return text;
    }

    // Of a hundred records about 92 unchanged (U), 3 added (A), 3 to be deleted (D)
    // and 2 modified (M).
    char changeFlag()
    {
        const std::size_t roll = pick(100);
        return roll < 3 ? 'A' : roll < 6 ? 'D' : roll < 8 ? 'M' : 'U';
    }

private:
    std::mt19937_64 random_;
};

struct RecordFields {
    std::string sortCode;
    bool headOffice = true;
    std::string method;
    long number = 0;
    std::string successor;  // the sort code that replaces a deleted one
};

// The field cut to its width and trimmed, as every form carries it.
std::string Fit(std::string_view value, std::size_t width)
{
    value = value.substr(0, width);
    while (!value.empty() && value.back() == ' ') {
        value.remove_suffix(1);
    }
    return std::string(value);
}

BankRecord Draw(Generator& generator, const RecordFields& fields, const Options& options)
{
    // Drawn whether used or not, so that a UTF-8 copy's other fields are those of the
    // Latin-1 file with the same seed.
    const bool umlautsOnly = generator.pick(40) == 0 && options.utf8;
    const std::string umlautName = generator.umlauts(58);
    const std::string umlautTown = generator.umlauts(35);
    const std::string umlautShortName = generator.umlauts(27);
    const std::string bankName = generator.bankName(options.semicolonNames);
    const std::string bankTown = ToLatin1(kTowns[generator.pick(kTowns.size())]);
    const std::string name = umlautsOnly ? umlautName : bankName;
    const std::string town = umlautsOnly ? umlautTown : bankTown;
    const char change = generator.changeFlag();
    BankRecord record;
    record.number = fields.number;
    record.sortCode = fields.sortCode;
    record.kind = std::string(1, fields.headOffice ? '1' : '2');
    record.name = Fit(name, 58);
    record.postcode = generator.digits(5);
    record.town = Fit(town, 35);
    record.shortName = Fit(umlautsOnly ? umlautShortName : name.substr(0, 20), 27);
    record.pan = fields.headOffice ? generator.digits(5) : std::string();
    record.bic = fields.headOffice ? "GENODEF1" + generator.digits(3) : std::string();
    record.method = fields.method;
    const std::string serial = std::to_string(fields.number % 1000000);  // the field has six digits
    record.serial = std::string(6 - serial.size(), '0') + serial;
    record.change = std::string(1, change);
    record.deletion = std::string(1, change == 'D' ? '1' : '0');
    record.successor = change == 'D' ? fields.successor : "00000000";
    if (options.extended) {
        // IBAN rule and its version, taken from the number so that the other fields
        // are those of the 168-character form with the same seed.
        const std::string rule = std::to_string(fields.number * 7919 % 10000);
        record.ibanRule = std::string(4 - rule.size(), '0') + rule + "00";
    }
    return record;
}

std::unique_ptr<FormWriter> MakeFormWriter(const Options& options)
{
    switch (options.form) {
    case Options::Form::Csv: return MakeCsvWriter(options);
    case Options::Form::Xml: return MakeXmlWriter(options);
    case Options::Form::Text: break;
    }
    return MakeTextWriter(options);
}

// The member's name as in the published archives.
std::string MemberName(Options::Form form)
{
    switch (form) {
    case Options::Form::Csv: return "blz-aktuell-csv-data.csv";
    case Options::Form::Xml: return "blz-aktuell-xml-data.xml";
    case Options::Form::Text: break;
    }
    return "blz-aktuell-txt-data.txt";
}

void WriteRecords(const Options& options, const LineOutput::Sink& sink)
{
    const std::vector<std::string> crowded =
        options.crowdedKeys ? CrowdedSortCodes(options.records) : std::vector<std::string>();
    Generator generator(options.seed);
    if (options.byteOrderMark) {
        sink("\xEF\xBB\xBF");
    }
    const std::unique_ptr<FormWriter> form = MakeFormWriter(options);
    LineOutput out(options.crlf, options.finalNewline, sink);
    form->head(out);
    long sortCode = 10000000;
    long branchesLeft = 0;
    RecordFields fields;
    for (long number = 1; number <= options.records; ++number) {
        fields.headOffice = branchesLeft == 0;
        if (fields.headOffice) {
            // A deleted bank's successor is the bank before it, or none (zeros).
            fields.successor = generator.pick(4) == 0 ? "00000000" : std::to_string(sortCode);
            sortCode += 1 + static_cast<long>(generator.pick(100));
            // Beyond the crowded codes the table can give, the usual ones.
            fields.sortCode = static_cast<std::size_t>(number) <= crowded.size() ? crowded[number - 1]
                                                                                 : std::to_string(sortCode);
            branchesLeft = generator.pick(3) == 0 && crowded.empty() ? static_cast<long>(generator.pick(4)) : 0;
            fields.method = kMethods[generator.pick(kMethods.size())];
        } else {
            --branchesLeft;
        }
        fields.number = number;
        form->record(out, Draw(generator, fields, options));
    }
    form->tail(out);
    out.finish();
}

}  // namespace

std::vector<std::string> CrowdedSortCodes(long count)
{
    const std::uint64_t slots = std::bit_ceil(static_cast<std::uint64_t>(count) * 2 + 2);
    const int shift = 64 - std::countr_zero(slots);
    const std::uint64_t stretch = std::max<std::uint64_t>(slots / 64, 1);
    // The codes' bytes as a little-endian word: four digits in each half.
    std::vector<std::uint64_t> fourDigits(10000);
    for (std::uint64_t i = 0; i < fourDigits.size(); ++i) {
        for (std::uint64_t digit = 0, rest = i; digit < 4; ++digit, rest /= 10) {
            fourDigits[i] |= ('0' + rest % 10) << (8 * (3 - digit));
        }
    }
    constexpr std::uint64_t kLengthPlusOne = 9;
    std::vector<std::string> codes;
    for (std::uint64_t high = 1000; high < 10000 && codes.size() < static_cast<std::size_t>(count); ++high) {
        for (std::uint64_t low = 0; low < 10000 && codes.size() < static_cast<std::size_t>(count); ++low) {
            const std::uint64_t key = fourDigits[high] | fourDigits[low] << 32;
            if (((key ^ kLengthPlusOne << 56) * 0x9E3779B97F4A7C15ULL) >> shift < stretch) {
                codes.push_back(std::to_string(high * 10000 + low));
            }
        }
    }
    std::reverse(codes.begin(), codes.end());
    return codes;
}

void WriteSortCodeFile(const Options& options, const std::function<void(std::string_view)>& write)
{
    if (!options.zipped) {
        WriteRecords(options, write);
        return;
    }
    ZipArchive archive(MemberName(options.form), options.zipLayout);
    WriteRecords(options, [&archive](std::string_view piece) { archive.add(piece); });
    archive.finish(write);
}

}  // namespace leitzahl::generator
