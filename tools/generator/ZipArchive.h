#pragma once

// Packs one file into a ZIP archive, deflated as the pieces arrive, laid out plainly or
// as other tools lay it out.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <zlib.h>

#include "tools/generator/ZipLayout.h"

namespace leitzahl::generator {

class ZipArchive {
public:
    explicit ZipArchive(std::string memberName, ZipLayout layout = {});
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    void add(std::string_view piece);
    // Hands on the whole archive: headers, the member's data, the central directory.
    void finish(const std::function<void(std::string_view)>& write);

private:
    void deflatePiece(std::string_view piece, int flush);

    std::string memberName_;
    ZipLayout layout_;
    z_stream stream_{};
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
    std::string packed_;
};

}  // namespace leitzahl::generator
