#pragma once
// Little-endian fields of a file's bytes read by their offset, for the checks
// of picture files and of the resource directories of programs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace barsmith {

// A field past the end reads as zero, so a check that forgot a length still
// sees a value it refuses.
class Bytes {
public:
    explicit Bytes(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t size() const { return bytes_.size(); }
    // Whether `count` bytes from `at` are all there, without overflow.
    bool Has(size_t at, size_t count) const { return at <= bytes_.size() && count <= bytes_.size() - at; }
    uint8_t U8(size_t at) const { return at < bytes_.size() ? bytes_[at] : 0; }
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(U8(at) | U8(at + 1) << 8); }
    uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
    int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
    uint32_t BigEndianU32(size_t at) const {
        return static_cast<uint32_t>(U8(at)) << 24 | U8(at + 1) << 16 | U8(at + 2) << 8 | U8(at + 3);
    }
    bool HasTag(size_t at, const char (&tag)[5]) const {
        return Has(at, 4) && std::equal(tag, tag + 4, bytes_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    bool StartsWith(std::span<const uint8_t> prefix) const {
        return Has(0, prefix.size()) && std::ranges::equal(prefix, bytes_.first(prefix.size()));
    }
    Bytes Part(size_t at, size_t count) const { return Bytes(bytes_.subspan(at, count)); }

private:
    std::span<const uint8_t> bytes_;
};

}  // namespace barsmith
