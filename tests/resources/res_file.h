// Reads a 32-bit .res file, the form windres writes with -O res: an empty first entry,
// then each resource as a header (data size, header size, type, name, data version,
// memory flags, language, version, characteristics) and its data on a 32-bit boundary.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace res_file {

using Bytes = std::vector<std::uint8_t>;

struct Entry {
    std::uint16_t type = 0;  // numeric types and names only; the script uses no others
    std::uint16_t name = 0;
    std::uint16_t language = 0;
    Bytes data;

    auto Key() const { return std::tuple(type, name, language); }
};

inline std::uint32_t Get16(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

inline std::uint32_t Get32(const Bytes& b, std::size_t at)
{
    return Get16(b, at) | (Get16(b, at + 2) << 16);
}

inline Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The resources of the file, the empty first entry left out; nothing for a malformed file
// or one with named types or names.
inline std::optional<std::vector<Entry>> Parse(const Bytes& b)
{
    std::vector<Entry> out;
    std::size_t at = 0;
    bool first = true;
    while (at < b.size()) {
        if (b.size() - at < 32) {
            return std::nullopt;
        }
        const std::uint32_t dataSize = Get32(b, at);
        const std::uint32_t headerSize = Get32(b, at + 4);
        if (headerSize != 32 || Get16(b, at + 8) != 0xFFFF || Get16(b, at + 12) != 0xFFFF ||
            b.size() - at - headerSize < dataSize) {
            return std::nullopt;
        }
        Entry e;
        e.type = static_cast<std::uint16_t>(Get16(b, at + 10));
        e.name = static_cast<std::uint16_t>(Get16(b, at + 14));
        e.language = static_cast<std::uint16_t>(Get16(b, at + 22));
        const auto begin = b.begin() + static_cast<std::ptrdiff_t>(at + headerSize);
        e.data.assign(begin, begin + dataSize);
        if (first) {
            if (e.type != 0 || e.name != 0 || dataSize != 0) {
                return std::nullopt;
            }
            first = false;
        } else {
            out.push_back(std::move(e));
        }
        at = (at + headerSize + dataSize + 3) & ~std::size_t{3};
    }
    if (first) {
        return std::nullopt;
    }
    return out;
}

}  // namespace res_file
