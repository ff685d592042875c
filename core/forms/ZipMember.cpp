// Reads the few fixed records of a ZIP archive around zlib's raw inflate: the end record,
// the central directory, and the one member's local header and data.
#include "core/forms/ZipMember.h"

#include "core/text/Printable.h"
#include "core/system/SystemFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

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
constexpr std::uint16_t kZip64Extra = 1;
constexpr std::uint32_t kDeflateMostRatio = 1032;

std::uint32_t Read(std::string_view bytes, std::size_t at, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

std::uint64_t Read64(std::string_view bytes, std::size_t at)
{
    return std::uint64_t{Read(bytes, at + 4, 4)} << 32 | Read(bytes, at, 4);
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
    return "„" + Printable(name) + "“";
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
    std::uint64_t packedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t localHeader = 0;
};

// Sizes and offset of all ones stand for the 8-byte values of the ZIP64 extra field,
// in this order, each there only where its header field is all ones; some tools write
// them even for small members.
bool ReadZip64Values(std::string_view extra, Member& member)
{
    constexpr std::uint32_t kAllOnes = 0xFFFFFFFF;
    while (extra.size() >= 4) {
        const std::size_t length = Read(extra, 2, 2);
        if (extra.size() - 4 < length) {
            return false;
        }
        if (Read(extra, 0, 2) == kZip64Extra) {
            std::string_view values = extra.substr(4, length);
            for (std::uint64_t* value : {&member.size, &member.packedSize, &member.localHeader}) {
                if (*value == kAllOnes) {
                    if (values.size() < 8) {
                        return false;
                    }
                    *value = Read64(values, 0);
                    values.remove_prefix(8);
                }
            }
        }
        extra.remove_prefix(4 + length);
    }
    return member.size != kAllOnes && member.packedSize != kAllOnes && member.localHeader != kAllOnes;
}

// The files the central directory lists; folders are left out. Gives back the count of
// files and the last of them. The entries must fill the directory's size exactly and
// be as many as the end record counts: a directory with more than it counts is one
// that tools read differently.
MaybeFailure ReadDirectory(std::string_view archive, std::size_t end, std::size_t& files, Member& member)
{
    const std::size_t counted = Read(archive, end + 10, 2);
    const std::size_t size = Read(archive, end + 12, 4);
    std::size_t at = Read(archive, end + 16, 4);
    if (counted == 0xFFFF || size == 0xFFFFFFFF || at == 0xFFFFFFFF) {
        return ArchiveFailure("Das ZIP-Archiv hat das ZIP64-Verzeichnis sehr großer Archive; so groß ist keine "
                              "Bankleitzahlendatei.");
    }
    if (at > end || end - at < size) {
        return Damaged();
    }
    const std::size_t directoryEnd = at + size;
    std::size_t entries = 0;
    files = 0;
    for (; at < directoryEnd; ++entries) {
        if (directoryEnd - at < kCentralSize || Read(archive, at, 4) != kCentralSignature) {
            return Damaged();
        }
        const std::size_t nameLength = Read(archive, at + 28, 2);
        const std::size_t extraLength = Read(archive, at + 30, 2);
        const std::size_t skipped = nameLength + extraLength + Read(archive, at + 32, 2);
        if (directoryEnd - at - kCentralSize < skipped) {
            return Damaged();
        }
        const std::string_view name = archive.substr(at + kCentralSize, nameLength);
        if (!name.ends_with('/')) {
            ++files;
            member = Member{std::string(name), static_cast<std::uint16_t>(Read(archive, at + 8, 2)),
                            static_cast<std::uint16_t>(Read(archive, at + 10, 2)), Read(archive, at + 16, 4),
                            Read(archive, at + 20, 4), Read(archive, at + 24, 4), Read(archive, at + 42, 4)};
            if (!ReadZip64Values(archive.substr(at + kCentralSize + nameLength, extraLength), member)) {
                return Damaged();
            }
        }
        at += kCentralSize + skipped;
    }
    if (entries != counted) {
        return ArchiveFailure("Das ZIP-Archiv ist beschädigt: sein Verzeichnis enthält " + std::to_string(entries) +
                              " Einträge, sein Schluss zählt " + std::to_string(counted) + ".");
    }
    return std::nullopt;
}

// What a member packed by another method than stored or deflate is called.
std::string MethodName(std::uint16_t method)
{
    constexpr struct {
        std::uint16_t number;
        std::string_view name;
    } kNames[] = {{9, "Deflate64"}, {12, "bzip2"}, {14, "LZMA"}, {93, "Zstandard"}, {95, "XZ"}, {98, "PPMd"}};
    for (const auto& known : kNames) {
        if (known.number == method) {
            return std::string(known.name) + " (Verfahren " + std::to_string(method) + ")";
        }
    }
    return "dem Verfahren " + std::to_string(method);
}

}  // namespace

MaybeFailure FindOnlyMember(std::string_view archive, PackedMember& member, std::string& name)
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
        return ArchiveFailure("Die Datei " + Quoted(name) + " im ZIP-Archiv ist mit " + MethodName(found.method) +
                              " gepackt, das leitzahl nicht entpackt; gelesen werden ungepackte und mit Deflate "
                              "gepackte Dateien.");
    }
    if (found.size > kLargestZipMember) {
        return ArchiveFailure("Die Datei " + Quoted(name) + " im ZIP-Archiv ist entpackt größer als " +
                              std::to_string(kLargestZipMember >> 20) +
                              " MiB; so groß ist keine Bankleitzahlendatei.");
    }
    // Deflate packs at most 1032 bytes into one: a larger size is a lie, not to be allocated.
    if (found.size / kDeflateMostRatio > found.packedSize) {
        return ArchiveFailure("Das ZIP-Archiv ist beschädigt: die Größe der Datei " + Quoted(name) +
                              " passt nicht zu ihren gepackten Daten.");
    }
    if (found.localHeader > end) {
        return Damaged();
    }
    const auto local = static_cast<std::size_t>(found.localHeader);
    if (local > end || end - local < kLocalSize || Read(archive, local, 4) != kLocalSignature) {
        return Damaged();
    }
    const std::size_t data = local + kLocalSize + Read(archive, local + 26, 2) + Read(archive, local + 28, 2);
    if (data > end || end - data < found.packedSize) {
        return Damaged();
    }
    member.packed = archive.substr(data, found.packedSize);
    member.size = found.size;
    member.crc = found.crc;
    member.deflated = found.method == kDeflated;
    if (!member.deflated && member.packed.size() != member.size) {
        return Damaged();
    }
    return std::nullopt;
}

MemberInflater::MemberInflater(const PackedMember& member, std::string name)
    : member_(member), name_(std::move(name)), stream_(std::make_unique<z_stream>())
{
    if (inflateInit2(stream_.get(), -MAX_WBITS) != Z_OK) {
        throw std::bad_alloc();
    }
    stream_->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.packed.data()));
    stream_->avail_in = static_cast<uInt>(member.packed.size());
}

MemberInflater::~MemberInflater()
{
    inflateEnd(stream_.get());
}

// The room is not cleared first: a stream that gives fewer bytes than the member's size
// is refused, so no byte left unwritten is ever read.
MaybeFailure MemberInflater::next(char* out, std::size_t room, std::size_t& made)
{
    made = 0;
    if (done_ == member_.size) {
        return finish();
    }
    room = std::min(room, static_cast<std::size_t>(member_.size - done_));
    if (!member_.deflated) {
        std::memcpy(out, member_.packed.data() + done_, room);
        made = room;
    } else {
        // At most 4 GiB a call; the member is far smaller.
        stream_->next_out = reinterpret_cast<Bytef*>(out);
        stream_->avail_out = static_cast<uInt>(room);
        const int status = inflate(stream_.get(), Z_NO_FLUSH);
        if (status == Z_MEM_ERROR) {
            throw std::bad_alloc();
        }
        made = room - stream_->avail_out;
        // The data may not end before the member does.
        if ((status != Z_OK && status != Z_STREAM_END) || made == 0 || (status == Z_STREAM_END && made != room)) {
            return Damaged();
        }
    }
    // Summed while the piece is still in the cache.
    crc_ = static_cast<std::uint32_t>(crc32(crc_, reinterpret_cast<const Bytef*>(out), static_cast<uInt>(made)));
    done_ += made;
    return std::nullopt;
}

MaybeFailure MemberInflater::finish()
{
    // The stream must end exactly where the member does.
    if (member_.deflated) {
        Bytef extra = 0;
        stream_->next_out = &extra;
        stream_->avail_out = 1;
        const int status = inflate(stream_.get(), Z_FINISH);
        if (status == Z_MEM_ERROR) {
            throw std::bad_alloc();
        }
        if (status != Z_STREAM_END || stream_->avail_out != 1) {
            return Damaged();
        }
    }
    if (crc_ != member_.crc) {
        return ArchiveFailure("Das ZIP-Archiv ist beschädigt: die Prüfsumme der Datei " + Quoted(name_) +
                              " stimmt nicht.");
    }
    return std::nullopt;
}

MaybeFailure UnpackOnlyMember(std::string_view archive, UnpackedMember& member, std::string& name)
{
    PackedMember packed;
    if (MaybeFailure failure = FindOnlyMember(archive, packed, name)) {
        return failure;
    }
    member.bytes = std::make_unique_for_overwrite<char[]>(packed.size);
    member.size = packed.size;
    MemberInflater inflater(packed, name);
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t done = 0, made = 1; made > 0; done += made) {
        const std::size_t piece = std::min<std::size_t>(kPiece, member.size - done);
        // Fresh pages a piece at a time, in one call rather than a fault for each.
        PrepareForWriting(member.bytes.get() + done, piece);
        if (MaybeFailure failure = inflater.next(member.bytes.get() + done, piece, made)) {
            return failure;
        }
    }
    return std::nullopt;
}

Failure NotSortCodeMember(std::string_view name)
{
    return ArchiveFailure("Das ZIP-Archiv enthält keine Bankleitzahlendatei, sondern " + Quoted(name) + ".");
}

}  // namespace leitzahl
