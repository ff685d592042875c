#pragma once
// What a short way made, handed to FileText once the input is done with.

#include "core/direct/DirectConversion.h"
#include "core/modFileToTextBox.h"

#include <memory>
#include <string>

namespace leitzahl {

// The conversion, and, once done, the CSV lines each with its line feed.
struct MadeCsv {
    DirectConversion conversion;
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
};

// Puts the CSV text, without a line feed after its last entry, into FileText, unless
// the input file shrank while it was read, which is then the failure.
inline DirectConversion TakeMadeCsv(MadeCsv made, const std::string& shownName)
{
    if (!made.conversion.done || made.conversion.imported.failure) {
        return std::move(made.conversion);
    }
    if (FileText.damaged()) {
        made.conversion.imported.failure = ReadFailure(shownName, kErrorReadFault);
        return std::move(made.conversion);
    }
    FileText.takeOutput(std::move(made.bytes), made.size > 0 ? made.size - 1 : 0);
    return std::move(made.conversion);
}

}  // namespace leitzahl
