// Reads the few fixed records of a ZIP archive around zlib's raw inflate: the end record,
// the central directory, and the one member's local header and data.
#include "core/forms/ZipMember.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace leitzahl {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kLongestComment = 0xFFFF;
constexpr std::uint16_t kEncryptedFlag = 1;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint32_t kDeflateMostRatio = 1032;

std::uint32_t Read(std::string_view bytes, std::size_t at, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

Failure ArchiveFailure(std::string description)
{
    return Failure{kErrorArchive, std::move(description)};
}

Failure Damaged()
{
    return ArchiveFailure("Das ZIP-Archiv ist beschädigt oder unvollständig.");
}

std::string Quoted(std::string_view name)
{
    return "„" + std::string(name) + "“";
}

// The end record: searched from the end, since a comment may follow it.
std::size_t FindEnd(std::string_view archive)
{
    if (archive.size() < kEndSize) {
        return std::string_view::npos;
    }
    const std::size_t lowest = archive.size() - kEndSize > kLongestComment ? archive.size() - kEndSize - kLongestComment : 0;
    for (std::size_t at = archive.size() - kEndSize + 1; at-- > lowest;) {
        if (Read(archive, at, 4) == kEndSignature && at + kEndSize + Read(archive, at + 20, 2) == archive.size()) {
            return at;
        }
    }
    return std::string_view::npos;
}

struct Member {
    std::string name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t packedSize = 0;
    std::uint32_t size = 0;
    std::uint32_t localHeader = 0;
};

// The files the central directory lists; folders are left out. Gives back the count of
// files and the last of them.
MaybeFailure ReadDirectory(std::string_view archive, std::size_t end, std::size_t& files, Member& member)
{
    const std::size_t entries = Read(archive, end + 10, 2);
    std::size_t at = Read(archive, end + 16, 4);
    files = 0;
    for (std::size_t i = 0; i < entries; ++i) {
        if (at > end || end - at < kCentralSize || Read(archive, at, 4) != kCentralSignature) {
            return Damaged();
        }
        const std::size_t nameLength = Read(archive, at + 28, 2);
        const std::size_t skipped = nameLength + Read(archive, at + 30, 2) + Read(archive, at + 32, 2);
        if (end - at - kCentralSize < skipped) {
            return Damaged();
        }
        const std::string_view name = archive.substr(at + kCentralSize, nameLength);
        if (!name.ends_with('/')) {
            ++files;
            member = Member{std::string(name), static_cast<std::uint16_t>(Read(archive, at + 8, 2)),
                            static_cast<std::uint16_t>(Read(archive, at + 10, 2)), Read(archive, at + 16, 4),
                            Read(archive, at + 20, 4), Read(archive, at + 24, 4), Read(archive, at + 42, 4)};
        }
        at += kCentralSize + skipped;
    }
    return std::nullopt;
}

// Inflates the member's data and sums its CRC-32 a piece at a time, while the piece is
// still in the cache.
MaybeFailure Inflate(std::string_view packed, std::string& member, std::uint32_t& crc)
{
    constexpr uInt kPiece = 1 << 20;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        throw std::bad_alloc();
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    auto* const out = reinterpret_cast<Bytef*>(member.data());
    std::size_t done = 0;
    int status = Z_OK;
    while (status == Z_OK && done < member.size()) {
        const std::size_t piece = std::min<std::size_t>(kPiece, member.size() - done);
        stream.next_out = out + done;
        stream.avail_out = static_cast<uInt>(piece);
        status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t made = piece - stream.avail_out;
        crc = static_cast<std::uint32_t>(crc32(crc, out + done, static_cast<uInt>(made)));
        done += made;
        if (status == Z_OK && made == 0) {
            status = Z_DATA_ERROR;  // the data ended before the member did
        }
    }
    // The stream must end exactly where the member does.
    if (status == Z_OK) {
        Bytef extra = 0;
        stream.next_out = &extra;
        stream.avail_out = 1;
        status = inflate(&stream, Z_FINISH);
        status = status == Z_STREAM_END && stream.avail_out == 1 ? Z_STREAM_END : Z_DATA_ERROR;
    }
    inflateEnd(&stream);
    if (status == Z_MEM_ERROR) {
        throw std::bad_alloc();
    }
    return status == Z_STREAM_END && done == member.size() ? std::nullopt : MaybeFailure(Damaged());
}

}  // namespace

MaybeFailure UnpackOnlyMember(std::string_view archive, std::string& member, std::string& name)
{
    const std::size_t end = FindEnd(archive);
    if (end == std::string_view::npos) {
        return Damaged();
    }
    std::size_t files = 0;
    Member found;
    if (MaybeFailure failure = ReadDirectory(archive, end, files, found)) {
        return failure;
    }
    if (files == 0) {
        return ArchiveFailure("Das ZIP-Archiv ist leer.");
    }
    if (files > 1) {
        return ArchiveFailure("Das ZIP-Archiv enthält " + std::to_string(files) +
                              " Dateien; gelesen wird ein Archiv mit genau einer Bankleitzahlendatei.");
    }
    name = found.name;
    if ((found.flags & kEncryptedFlag) != 0) {
        return ArchiveFailure("Die Datei " + Quoted(name) + " im ZIP-Archiv ist verschlüsselt.");
    }
    if (found.method != kStored && found.method != kDeflated) {
        return ArchiveFailure("Die Datei " + Quoted(name) + " im ZIP-Archiv ist mit einem Verfahren gepackt, das "
                              "leitzahl nicht liest (Nummer " + std::to_string(found.method) + ").");
    }
    // A size of all ones stands for a ZIP64 size, which only a far larger file needs.
    if (found.size > kLargestZipMember || found.size == std::numeric_limits<std::uint32_t>::max()) {
        return ArchiveFailure("Die Datei " + Quoted(name) + " im ZIP-Archiv ist entpackt größer als " +
                              std::to_string(kLargestZipMember >> 20) +
                              " MiB; so groß ist keine Bankleitzahlendatei.");
    }
    // Deflate packs at most 1032 bytes into one: a larger size is a lie, not to be allocated.
    if (found.size / kDeflateMostRatio > found.packedSize) {
        return ArchiveFailure("Das ZIP-Archiv ist beschädigt: die Größe der Datei " + Quoted(name) +
                              " passt nicht zu ihren gepackten Daten.");
    }
    const std::size_t local = found.localHeader;
    if (local > end || end - local < kLocalSize || Read(archive, local, 4) != kLocalSignature) {
        return Damaged();
    }
    const std::size_t data = local + kLocalSize + Read(archive, local + 26, 2) + Read(archive, local + 28, 2);
    if (data > end || end - data < found.packedSize) {
        return Damaged();
    }
    const std::string_view packed = archive.substr(data, found.packedSize);
    std::uint32_t crc = 0;
    if (found.method == kStored) {
        if (packed.size() != found.size) {
            return Damaged();
        }
        member.assign(packed);
        crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(member.data()), static_cast<uInt>(member.size())));
    } else {
        member.assign(found.size, '\0');
        if (MaybeFailure failure = Inflate(packed, member, crc)) {
            return failure;
        }
    }
    if (crc != found.crc) {
        return ArchiveFailure("Das ZIP-Archiv ist beschädigt: die Prüfsumme der Datei " + Quoted(name) +
                              " stimmt nicht.");
    }
    return std::nullopt;
}

Failure NotSortCodeMember(std::string_view name)
{
    return ArchiveFailure("Das ZIP-Archiv enthält keine Bankleitzahlendatei, sondern " + Quoted(name) + ".");
}

}  // namespace leitzahl
