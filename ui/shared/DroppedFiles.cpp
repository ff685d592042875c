#include "ui/shared/DroppedFiles.h"

#include <filesystem>

namespace leitzahl {

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
