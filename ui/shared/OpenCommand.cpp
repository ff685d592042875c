#include "ui/shared/OpenCommand.h"

#include "core/Diverse.h"
#include "core/StatusTexts.h"
#include "core/modFileToTextBox.h"
#include "ui/shared/TextDecoding.h"

namespace leitzahl {

OpenOutcome ImportAndRemoveDuplicates(const std::string& path, EntryList& list, const ProcessEvents& processEvents)
{
    OpenOutcome outcome;
    outcome.imported = ImportSortCodeFile(path, list);
    outcome.failure = outcome.imported.failure;
    if (!outcome.failure) {
        // The XML form's entries are ISO 8859-1 unless they had to stay UTF-8.
        outcome.utf8 = outcome.imported.form == InputForm::Xml ? outcome.imported.wideCharacterEntries > 0
                                                               : IsUtf8Text(FileText);
        for (const std::string& warning : ImportWarnings(outcome.imported)) {
            outcome.warning += (outcome.warning.empty() ? "" : "\n") + warning;
        }
        outcome.failure = RemoveDuplicates(list, processEvents);
    }
    return outcome;
}

}  // namespace leitzahl
