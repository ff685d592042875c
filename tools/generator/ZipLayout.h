#pragma once

// The ways of laying out a generated ZIP archive, as different tools write them.
#include <cstdint>

namespace leitzahl::generator {

// How the archive is laid out; the default has what a reader needs and no more.
struct ZipLayout {
    std::uint16_t method = 8;     // 8: deflate; 0: stored; any other: stored bytes marked with it
    bool localExtra = false;      // Info-ZIP's extra fields, longer in the local header than in the central
    bool dataDescriptor = false;  // CRC and sizes after the data, zeros in the local header
    bool zip64 = false;           // sizes of all ones, the real ones in a ZIP64 extra field
    bool folder = false;          // a folder entry before the file
    const char* secondFile = nullptr;  // the name of a second, short file after it, if any
    int endCountsFewer = 0;       // the end record counts this many entries fewer than it lists
};

}  // namespace leitzahl::generator
