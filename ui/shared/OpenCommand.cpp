#include "ui/shared/OpenCommand.h"

#include "core/Diverse.h"
#include "core/modFileToTextBox.h"
#include "ui/shared/TextDecoding.h"

namespace leitzahl {

OpenOutcome ImportAndRemoveDuplicates(const std::string& path, EntryList& list, const ProcessEvents& processEvents)
{
    OpenOutcome outcome;
    outcome.imported = ImportSortCodeFile(path, list);
    outcome.failure = outcome.imported.failure;
    if (!outcome.failure) {
        outcome.utf8 = IsUtf8Text(FileText);
        outcome.failure = RemoveDuplicates(list, processEvents);
    }
    return outcome;
}

}  // namespace leitzahl
