#pragma once
// The reader of the Bundesbank's XML form.

#include "core/EntryList.h"
#include "core/modSortCodeImport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace leitzahl {

// Appends one entry per BLZEintrag of the Bundesbank's XML form: BLZ, Bezeichnung and
// PruefZiffMeth, in ISO 8859-1 like the other forms; where a text holds a character
// that ISO 8859-1 cannot, every entry stays in UTF-8 (and the result says so). The
// header's ValidFrom and ValidTill go to the result.
ImportResult ImportSortCodeXml(std::string_view text, EntryList& list);

// The fields of a BLZEintrag or of the header, in UTF-8, each without the white space
// around it (a method code of spaces kept); lineBreak where a line break in one was made
// a space.
struct XmlRecord {
    std::string sortCode;
    std::string name;
    std::string method;
    std::string validFrom;
    std::string validTill;
    bool lineBreak = false;
};

// The elements' handler that gathers each record's fields: calls onRecord at the end of
// each BLZEintrag with its number, from 1, and puts the header's dates into result.
class XmlRecords {
public:
    using OnRecord = std::function<void(const XmlRecord& record, std::int64_t number)>;

    XmlRecords(ImportResult& result, OnRecord onRecord) : result_(result), onRecord_(std::move(onRecord)) {}

    void operator()(int depth, std::string_view name, std::string_view text);
    std::int64_t count() const { return number_; }

private:
    ImportResult& result_;
    OnRecord onRecord_;
    XmlRecord record_;
    std::int64_t number_ = 0;
};

// Whether an entry in UTF-8 holds a character above U+00FF, which ISO 8859-1 cannot.
bool HoldsWideCharacter(std::string_view utf8);

// UTF-8 of characters up to U+00FF, as expat and XmlLite give it, to ISO 8859-1.
void AppendLatin1(std::string_view utf8, std::string& latin1);

}  // namespace leitzahl
