// The zipped forms' floor: zlib's own inflate and CRC-32 of an archive's one member, into
// one reused piece of memory, with nothing converted.
#include "MappedFile.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

namespace {

std::uint32_t Read(std::string_view bytes, std::size_t at, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

}  // namespace

int main(int argc, char** argv)
{
    const MappedFile file(argc, argv, "leitzahl_zip_floor FILE.zip");
    const std::string_view archive = file.bytes();
    // Only the archives the generator writes: no comment, one deflated member.
    constexpr std::size_t kEndSize = 22;
    if (archive.size() < kEndSize || Read(archive, archive.size() - kEndSize, 4) != 0x06054b50) {
        std::fprintf(stderr, "%s: no ZIP end record at the end\n", argv[1]);
        return 1;
    }
    const std::size_t central = Read(archive, archive.size() - kEndSize + 16, 4);
    if (central + 46 + kEndSize > archive.size()) {
        std::fprintf(stderr, "%s: the directory lies outside the archive\n", argv[1]);
        return 1;
    }
    const std::uint32_t crc = Read(archive, central + 16, 4);
    const std::uint32_t size = Read(archive, central + 24, 4);
    const std::size_t local = Read(archive, central + 42, 4);
    const std::size_t data =
        local + 30 > central ? central + 1 : local + 30 + Read(archive, local + 26, 2) + Read(archive, local + 28, 2);
    if (Read(archive, central + 10, 2) != 8 || data > central) {
        std::fprintf(stderr, "%s: the member is not deflated where the directory says\n", argv[1]);
        return 1;
    }

    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return 1;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(archive.data() + data));
    stream.avail_in = static_cast<uInt>(central - data);
    constexpr uInt kPiece = 1 << 20;
    const auto piece = std::make_unique_for_overwrite<Bytef[]>(kPiece);
    std::uint32_t sum = 0;
    std::uint64_t made = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = piece.get();
        stream.avail_out = kPiece;
        status = inflate(&stream, Z_NO_FLUSH);
        sum = static_cast<std::uint32_t>(crc32(sum, piece.get(), kPiece - stream.avail_out));
        made += kPiece - stream.avail_out;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || sum != crc || made != size) {
        std::fprintf(stderr, "%s: the member does not inflate to its size and CRC-32\n", argv[1]);
        return 1;
    }
    std::printf("%llu bytes, CRC-32 %08x\n", static_cast<unsigned long long>(made), sum);
    return 0;
}
