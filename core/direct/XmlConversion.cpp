#include "core/direct/XmlConversion.h"

#include "core/direct/CsvPlace.h"
#include "core/RecordLines.h"
#include "core/forms/SortCodeXml.h"

#include <atomic>
#include <functional>
#include <memory>

namespace leitzahl {

MadeCsv ConvertXmlDocument(const XmlParse& parse, std::size_t documentBytes)
{
    MadeCsv made;
    DirectConversion& conversion = made.conversion;
    // No record's entry takes more bytes than its elements: no entity is ever expanded.
    const std::size_t room = documentBytes + record::LongestEntry(true) + 1;
    std::unique_ptr<char[]> output;
    if (GuardMemory([&] { output = std::make_unique_for_overwrite<char[]>(room); })) {
        return made;
    }
    std::atomic<bool> givenUp = false;
    CsvPlace place(output.get(), room, record::LongestEntry(true), givenUp);
    ImportResult& result = conversion.imported;
    result.form = InputForm::Xml;
    std::string entry;
    std::string latin1;
    XmlRecords records(result, [&](const XmlRecord& record, std::int64_t number) {
        const std::string_view name = TrimSpaces(record.name);
        entry.assign(record.sortCode).append(1, ';').append(name).append(1, ';').append(record.method);
        if (HoldsWideCharacter(entry)) {
            throw ShortWayGivenUp();
        }
        latin1.clear();
        AppendLatin1(entry, latin1);
        if (!place.placeEntry(latin1)) {
            throw ShortWayGivenUp();
        }
        const bool extraColumn = record::AddsColumn(record.sortCode, name, record.method);
        if (!CountEntry(record.sortCode, name, record.method, extraColumn, result) || record.lineBreak) {
            CountUnfit(number, result);
        }
    });
    try {
        if (GuardMemory([&] { return parse(std::ref(records)); })) {
            return MadeCsv();
        }
    } catch (const ShortWayGivenUp&) {
        return MadeCsv();
    }
    result.linesRead = records.count();
    conversion.done = true;
    conversion.kept = place.kept();
    made.size = place.text().size();
    made.bytes = std::move(output);
    return made;
}

}  // namespace leitzahl
