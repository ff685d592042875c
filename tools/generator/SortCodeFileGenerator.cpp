// Lays out invented banks in the Bundesbank's fixed-width layout: 168-character records
// in Latin-1, a head office record (kind 1) followed by branch records (kind 2, without
// PAN and BIC) of the same sort code with other names. Every value each field takes in
// the published files appears: change flags A, D, U and M in about the published
// shares, deletion flag 1 with a successor on the records marked D, and, in a copy
// re-saved as UTF-8, now and then a name, town and short name of umlauts only, which
// makes the longest line such a copy can have.
#include "tools/generator/SortCodeFileGenerator.h"

#include <array>
#include <random>
#include <string>

namespace leitzahl::generator {

namespace {

constexpr std::array kKinds{"Volksbank", "Raiffeisenbank", "Sparkasse", "Stadtsparkasse",
                            "Kreissparkasse", "Privatbank", "Bürgerbank", "Handelsbank",
                            "Spar- und Darlehnskasse", "Genossenschaftsbank"};
constexpr std::array kTowns{"Übelhausen", "Großwäldern", "Schönau-Ödland", "Mühlbrück",
                            "Düsterbach", "Königsstraß", "Bärenfels", "Fürstenäcker",
                            "Weißenmoor", "Grünhügel", "Lindenhöhe", "Altenkirchhain",
                            "Neuweilerbach", "Eschenrode", "Krähenwinkel", "Süßenbüttel"};
constexpr std::array kSuffixes{"", " eG", " AG", " Zweigstelle Nord", " -alt-",
                               " Filiale Marktplatz", "; Geschäftsstelle"};
// Words that lengthen a name to the full field; real names hold few umlauts.
constexpr std::array kFillers{" und Umgebung", " Landkreis West", " Zweigniederlassung", " Mitte",
                              " Kreditgenossenschaft"};
constexpr std::array kMethods{"00", "01", "06", "09", "10", "17", "28", "32", "34", "38",
                              "52", "63", "76", "88", "99", "A4", "B6", "C6", "D1", "E4"};
constexpr std::size_t kRecordLength = 168;
constexpr std::string_view kUmlauts = "\xC4\xD6\xDC\xE4\xF6\xFC\xDF";  // Latin-1

// The source is UTF-8; the file is Latin-1, as the Bundesbank publishes it.
std::string ToLatin1(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte == 0xC3 && i + 1 < utf8.size()) {
            out += static_cast<char>(static_cast<unsigned char>(utf8[++i]) + 0x40);
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

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

    std::string bankName()
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
            name += ToLatin1(kSuffixes[pick(kSuffixes.size())]);
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

void PutField(std::string& record, std::string_view value, std::size_t width)
{
    std::string field(value.substr(0, width));
    field.resize(width, ' ');
    record += field;
}

std::string ToUtf8(std::string_view latin1)
{
    std::string out;
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | byte >> 6);
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

struct RecordFields {
    std::string sortCode;
    bool headOffice = true;
    std::string method;
    long number = 0;
    std::string successor;  // the sort code that replaces a deleted one
};

std::string Record(Generator& generator, const RecordFields& fields, bool extended, bool utf8)
{
    // Drawn in every form, so that the same seed gives the same records in all of them.
    const bool umlautsOnly = generator.pick(40) == 0 && utf8;
    const std::string umlautName = generator.umlauts(58);
    const std::string umlautTown = generator.umlauts(35);
    const std::string umlautShortName = generator.umlauts(27);
    const std::string bankName = generator.bankName();
    const std::string bankTown = ToLatin1(kTowns[generator.pick(kTowns.size())]);
    const std::string name = umlautsOnly ? umlautName : bankName;
    const std::string town = umlautsOnly ? umlautTown : bankTown;
    const char change = generator.changeFlag();
    std::string record;
    record.reserve(kRecordLength);
    record += fields.sortCode;
    record += fields.headOffice ? '1' : '2';
    PutField(record, name, 58);
    PutField(record, generator.digits(5), 5);
    PutField(record, town, 35);
    PutField(record, umlautsOnly ? umlautShortName : name.substr(0, 20), 27);
    PutField(record, fields.headOffice ? generator.digits(5) : std::string(), 5);
    PutField(record, fields.headOffice ? "GENODEF1" + generator.digits(3) : std::string(), 11);
    record += fields.method;
    const std::string serial = std::to_string(fields.number % 1000000);  // the field has six digits
    record += std::string(6 - serial.size(), '0') + serial;
    record += change;
    record += change == 'D' ? "1" + fields.successor : "000000000";
    if (extended) {
        // IBAN rule and its version, taken from the number so that the other fields
        // are those of the 168-character form with the same seed.
        const std::string rule = std::to_string(fields.number * 7919 % 10000);
        record += std::string(4 - rule.size(), '0') + rule + "00";
    }
    return record;
}

}  // namespace

void WriteSortCodeFile(const Options& options, const std::function<void(std::string_view)>& write)
{
    Generator generator(options.seed);
    const std::string lineEnd = options.crlf ? "\r\n" : "\n";
    long sortCode = 10000000;
    long branchesLeft = 0;
    RecordFields fields;
    std::string text;
    for (long number = 1; number <= options.records; ++number) {
        fields.headOffice = branchesLeft == 0;
        if (fields.headOffice) {
            // A deleted bank's successor is the bank before it, or none (zeros).
            fields.successor = generator.pick(4) == 0 ? "00000000" : std::to_string(sortCode);
            sortCode += 1 + static_cast<long>(generator.pick(100));
            fields.sortCode = std::to_string(sortCode);
            branchesLeft = generator.pick(3) == 0 ? static_cast<long>(generator.pick(4)) : 0;
            fields.method = kMethods[generator.pick(kMethods.size())];
        } else {
            --branchesLeft;
        }
        fields.number = number;
        const std::string record = Record(generator, fields, options.extended, options.utf8);
        text += options.utf8 ? ToUtf8(record) : record;
        if (number < options.records || options.finalNewline) {
            text += lineEnd;
        }
        if (text.size() > (1 << 20) || number == options.records) {
            write(text);
            text.clear();
        }
    }
}

}  // namespace leitzahl::generator
