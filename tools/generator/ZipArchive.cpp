// The plain layout has no data descriptor, no extra fields and no ZIP64 (a member up to
// 4 GiB); the others add what other tools write, for the tests of the reader.
#include "tools/generator/ZipArchive.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace leitzahl::generator {

namespace {

constexpr std::uint64_t kMaxSize = 0xFFFFFFFF;
constexpr std::size_t kChunk = 1 << 16;
constexpr std::uint16_t kVersionNeeded = 20;       // 2.0: deflate
constexpr std::uint16_t kVersionNeededZip64 = 45;  // 4.5: ZIP64
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDescriptorFlag = 8;
constexpr std::uint16_t kDosTime = 0;                             // 00:00:00
constexpr std::uint16_t kDosDate = (2022 - 1980) << 9 | 12 << 5 | 5;  // 2022-12-05
constexpr std::uint32_t kUnixTime = 1670198400;                   // the same day

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

void Put64(std::string& out, std::uint64_t value)
{
    Put32(out, static_cast<std::uint32_t>(value));
    Put32(out, static_cast<std::uint32_t>(value >> 32));
}

// Info-ZIP's extended time stamp and owner; the local one also carries the access time.
std::string TimeAndOwner(bool local)
{
    std::string extra;
    Put16(extra, 0x5455);
    Put16(extra, local ? 9 : 5);
    extra += '\x03';  // modification and access time
    Put32(extra, kUnixTime);
    if (local) {
        Put32(extra, kUnixTime);
    }
    Put16(extra, 0x7875);
    Put16(extra, 11);
    extra += "\x01\x04";
    Put32(extra, 1000);  // user
    extra += '\x04';
    Put32(extra, 1000);  // group
    return extra;
}

struct Entry {
    std::string name;
    std::uint16_t method = kStored;
    std::uint32_t crc = 0;
    std::uint64_t packedSize = 0;
    std::uint64_t size = 0;
    std::string_view data;
    std::uint32_t offset = 0;
};

// The header from the version needed on; the central one from the version made by on.
std::string Header(const Entry& entry, const ZipLayout& layout, bool central)
{
    const bool descriptor = layout.dataDescriptor && !central;
    std::string header;
    Put32(header, central ? 0x02014B50 : 0x04034B50);
    if (central) {
        Put16(header, 3 << 8 | 30);  // made by: Unix, 3.0
    }
    Put16(header, layout.zip64 ? kVersionNeededZip64 : kVersionNeeded);
    Put16(header, layout.dataDescriptor ? kDescriptorFlag : 0);
    Put16(header, entry.method);
    Put16(header, kDosTime);
    Put16(header, kDosDate);
    Put32(header, descriptor ? 0 : entry.crc);
    std::string extra;
    if (layout.zip64) {
        Put32(header, 0xFFFFFFFF);
        Put32(header, 0xFFFFFFFF);
        Put16(extra, 1);
        Put16(extra, 16);
        Put64(extra, descriptor ? 0 : entry.size);
        Put64(extra, descriptor ? 0 : entry.packedSize);
    } else {
        Put32(header, descriptor ? 0 : static_cast<std::uint32_t>(entry.packedSize));
        Put32(header, descriptor ? 0 : static_cast<std::uint32_t>(entry.size));
    }
    if (layout.localExtra) {
        extra += TimeAndOwner(!central);
    }
    Put16(header, static_cast<std::uint32_t>(entry.name.size()));
    Put16(header, static_cast<std::uint32_t>(extra.size()));
    if (central) {
        Put16(header, 0);  // comment length
        Put16(header, 0);  // disk number
        Put16(header, 0);  // internal attributes
        Put32(header, entry.name.ends_with('/') ? 0x10 : 0);  // external: MS-DOS folder
        Put32(header, entry.offset);
    }
    return header + entry.name + extra;
}

std::string Descriptor(const Entry& entry, const ZipLayout& layout)
{
    std::string descriptor;
    Put32(descriptor, 0x08074B50);
    Put32(descriptor, entry.crc);
    if (layout.zip64) {
        Put64(descriptor, entry.packedSize);
        Put64(descriptor, entry.size);
    } else {
        Put32(descriptor, static_cast<std::uint32_t>(entry.packedSize));
        Put32(descriptor, static_cast<std::uint32_t>(entry.size));
    }
    return descriptor;
}

Entry StoredEntry(std::string name, std::string_view data)
{
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    return Entry{std::move(name), kStored, crc, data.size(), data.size(), data};
}

}  // namespace

ZipArchive::ZipArchive(std::string memberName, ZipLayout layout)
    : memberName_(std::move(memberName)), layout_(layout)
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
        if (layout_.method == kDeflated) {
            deflatePiece(part, Z_NO_FLUSH);
        } else {
            packed_ += part;
        }
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
        packed_.append(buffer, sizeof buffer - stream_.avail_out);
    } while (stream_.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    if (packed_.size() > kMaxSize) {
        throw std::length_error("ZIP member larger than 4 GiB");
    }
}

void ZipArchive::finish(const std::function<void(std::string_view)>& write)
{
    if (layout_.method == kDeflated) {
        deflatePiece({}, Z_FINISH);
    }
    if (packed_.size() + memberName_.size() + 30 > kMaxSize) {
        throw std::length_error("ZIP archive larger than 4 GiB");  // the central directory's offset
    }
    std::vector<Entry> entries;
    if (layout_.folder) {
        entries.push_back(StoredEntry("Bankleitzahlen/", {}));
    }
    entries.push_back(Entry{memberName_, layout_.method, crc_, packed_.size(), size_, packed_});
    if (layout_.secondFile != nullptr) {
        entries.push_back(StoredEntry(layout_.secondFile, "Hinweis\n"));
    }
    std::uint64_t offset = 0;
    for (Entry& entry : entries) {
        entry.offset = static_cast<std::uint32_t>(offset);
        const std::string local = Header(entry, layout_, false);
        const std::string descriptor = layout_.dataDescriptor ? Descriptor(entry, layout_) : "";
        write(local);
        write(entry.data);
        write(descriptor);
        offset += local.size() + entry.data.size() + descriptor.size();
    }
    std::string central;
    for (const Entry& entry : entries) {
        central += Header(entry, layout_, true);
    }
    const auto counted = static_cast<std::uint32_t>(entries.size() - static_cast<std::size_t>(layout_.endCountsFewer));
    std::string end;
    Put32(end, 0x06054B50);
    Put16(end, 0);  // this disk
    Put16(end, 0);  // disk with the central directory
    Put16(end, counted);  // entries on this disk
    Put16(end, counted);  // entries
    Put32(end, static_cast<std::uint32_t>(central.size()));
    Put32(end, static_cast<std::uint32_t>(offset));
    Put16(end, 0);  // comment length
    write(central + end);
}

}  // namespace leitzahl::generator
