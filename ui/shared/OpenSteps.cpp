#include "ui/shared/OpenSteps.h"

#include "core/Diverse.h"
#include "core/modFileToTextBox.h"
#include "ui/shared/TextDecoding.h"

#include <filesystem>

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

bool EventsAreDue(std::chrono::steady_clock::time_point& lastTurn)
{
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTurn < std::chrono::milliseconds(10)) {
        return false;
    }
    lastTurn = now;
    return true;
}

std::string ChooseDroppedFile(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        std::error_code ignored;
        const std::filesystem::path name(std::u8string(path.begin(), path.end()));
        if (std::filesystem::is_regular_file(name, ignored)) {
            return path;
        }
    }
    return paths.empty() ? std::string() : paths.front();
}

}  // namespace leitzahl
