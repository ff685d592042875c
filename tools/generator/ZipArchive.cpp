// The archive has what a reader needs and no more: no data descriptor, no extra fields,
// no ZIP64 (a member up to 4 GiB).
#include "tools/generator/ZipArchive.h"

#include <stdexcept>
#include <utility>

namespace leitzahl::generator {

namespace {

constexpr std::uint64_t kMaxSize = 0xFFFFFFFF;
constexpr std::size_t kChunk = 1 << 16;
constexpr std::uint16_t kVersionNeeded = 20;  // 2.0: deflate
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kDosTime = 0;                             // 00:00:00
constexpr std::uint16_t kDosDate = (2022 - 1980) << 9 | 12 << 5 | 5;  // 2022-12-05

void Put16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

ZipArchive::ZipArchive(std::string memberName) : memberName_(std::move(memberName))
{
    // Raw deflate (negative window bits): the ZIP headers take the place of zlib's.
    if (deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    crc_ = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
}

ZipArchive::~ZipArchive()
{
    deflateEnd(&stream_);
}

void ZipArchive::add(std::string_view piece)
{
    size_ += piece.size();
    if (size_ > kMaxSize) {
        throw std::length_error("ZIP member larger than 4 GiB");
    }
    while (!piece.empty()) {
        const std::string_view part = piece.substr(0, kChunk);
        crc_ = static_cast<std::uint32_t>(
            crc32(crc_, reinterpret_cast<const Bytef*>(part.data()), static_cast<uInt>(part.size())));
        deflatePiece(part, Z_NO_FLUSH);
        piece.remove_prefix(part.size());
    }
}

void ZipArchive::deflatePiece(std::string_view piece, int flush)
{
    char buffer[kChunk];
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    stream_.avail_in = static_cast<uInt>(piece.size());
    int status = Z_OK;
    do {
        stream_.next_out = reinterpret_cast<Bytef*>(buffer);
        stream_.avail_out = sizeof buffer;
        status = deflate(&stream_, flush);
        if (status == Z_STREAM_ERROR) {
            throw std::runtime_error("deflate failed");
        }
        deflated_.append(buffer, sizeof buffer - stream_.avail_out);
    } while (stream_.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    if (deflated_.size() > kMaxSize) {
        throw std::length_error("ZIP member larger than 4 GiB");
    }
}

void ZipArchive::finish(const std::function<void(std::string_view)>& write)
{
    deflatePiece({}, Z_FINISH);
    if (deflated_.size() + memberName_.size() + 30 > kMaxSize) {
        throw std::length_error("ZIP archive larger than 4 GiB");  // the central directory's offset
    }
    const auto size = static_cast<std::uint32_t>(size_);
    const auto deflatedSize = static_cast<std::uint32_t>(deflated_.size());
    const auto nameSize = static_cast<std::uint32_t>(memberName_.size());
    // The fields the local and the central header share, from the version needed on.
    std::string common;
    Put16(common, kVersionNeeded);
    Put16(common, 0);  // flags: not encrypted, sizes known up front
    Put16(common, kDeflated);
    Put16(common, kDosTime);
    Put16(common, kDosDate);
    Put32(common, crc_);
    Put32(common, deflatedSize);
    Put32(common, size);
    Put16(common, nameSize);
    Put16(common, 0);  // extra field length

    std::string local;
    Put32(local, 0x04034B50);
    local += common + memberName_;
    write(local);
    write(deflated_);

    std::string central;
    Put32(central, 0x02014B50);
    Put16(central, kVersionNeeded);  // made by: MS-DOS, 2.0
    central += common;
    Put16(central, 0);  // comment length
    Put16(central, 0);  // disk number
    Put16(central, 0);  // internal attributes
    Put32(central, 0);  // external attributes
    Put32(central, 0);  // offset of the local header
    central += memberName_;

    std::string end;
    Put32(end, 0x06054B50);
    Put16(end, 0);  // this disk
    Put16(end, 0);  // disk with the central directory
    Put16(end, 1);  // entries on this disk
    Put16(end, 1);  // entries
    Put32(end, static_cast<std::uint32_t>(central.size()));
    Put32(end, static_cast<std::uint32_t>(local.size() + deflated_.size()));
    Put16(end, 0);  // comment length
    write(central + end);
}

}  // namespace leitzahl::generator
