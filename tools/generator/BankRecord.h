#pragma once

// One drawn record as its fields, so that every form writes the same values.
#include <array>
#include <cstddef>
#include <span>
#include <string>

namespace leitzahl::generator {

// Latin-1, trimmed of trailing spaces, each at most as long as its field.
struct BankRecord {
    long number = 0;  // counts from 1 in the order written
    std::string sortCode;
    std::string kind;  // 1 head office, 2 branch
    std::string name;
    std::string postcode;
    std::string town;
    std::string shortName;
    std::string pan;
    std::string bic;
    std::string method;
    std::string serial;
    std::string change;
    std::string deletion;
    std::string successor;
    std::string ibanRule;  // rule and version, in the extended layout only
};

struct FieldLayout {
    std::string BankRecord::*value;
    std::size_t width;     // in the fixed-width record
    const char* csvName;   // header of the CSV form (UTF-8 here)
    const char* xmlName;   // element of the XML form
};

// The fields in the order of all forms; the last one only in the extended layout.
inline constexpr std::array<FieldLayout, 14> kFieldLayouts{{
    {&BankRecord::sortCode, 8, "Bankleitzahl", "BLZ"},
    {&BankRecord::kind, 1, "Merkmal", "Merkmal"},
    {&BankRecord::name, 58, "Bezeichnung", "Bezeichnung"},
    {&BankRecord::postcode, 5, "PLZ", "PLZ"},
    {&BankRecord::town, 35, "Ort", "Ort"},
    {&BankRecord::shortName, 27, "Kurzbezeichnung", "Kurzbez"},
    {&BankRecord::pan, 5, "PAN", "PAN"},
    {&BankRecord::bic, 11, "BIC", "BIC"},
    {&BankRecord::method, 2, "Prüfzifferberechnungsmethode", "PruefZiffMeth"},
    {&BankRecord::serial, 6, "Datensatznummer", "DsNr"},
    {&BankRecord::change, 1, "Änderungskennzeichen", "Aenderungskennz"},
    {&BankRecord::deletion, 1, "Bankleitzahllöschung", "BLZLoesch"},
    {&BankRecord::successor, 8, "Nachfolge-Bankleitzahl", "NachfolgeBLZ"},
    {&BankRecord::ibanRule, 6, "IBAN-Regel", "IBANRegel"},
}};

inline std::span<const FieldLayout> FieldLayouts(bool extended)
{
    return std::span(kFieldLayouts).first(extended ? kFieldLayouts.size() : kFieldLayouts.size() - 1);
}

}  // namespace leitzahl::generator
