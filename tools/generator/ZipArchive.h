#pragma once

// Packs one file into a ZIP archive of one member, deflated as the pieces arrive.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <zlib.h>

namespace leitzahl::generator {

class ZipArchive {
public:
    explicit ZipArchive(std::string memberName);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    void add(std::string_view piece);
    // Hands on the whole archive: headers, the deflated member, the central directory.
    void finish(const std::function<void(std::string_view)>& write);

private:
    void deflatePiece(std::string_view piece, int flush);

    std::string memberName_;
    z_stream stream_{};
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
    std::string deflated_;
};

}  // namespace leitzahl::generator
