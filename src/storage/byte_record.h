#pragma once
// Records the program keeps of its own (the index of keys, the change
// journal): numbers and counted texts in a row of bytes, closed by a checksum
// of all before it. Reading is bounded: a count or length past the end, or a
// checksum that does not match, spoils the whole record, so that a damaged
// one is only ever ignored, never read past its end.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_key.h"

namespace barsmith {

// FNV-1a, 64 bits: cheap, and any flipped bit shows.
inline uint64_t Checksum(const char* bytes, size_t size) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ull;
    return hash;
}

class RecordWriter {
public:
    void Bytes(const void* data, size_t size) { bytes_.append(static_cast<const char*>(data), size); }
    template <typename T>
    void Number(T value) {
        Bytes(&value, sizeof value);
    }
    void Text(const std::wstring& text) {
        Number(static_cast<uint32_t>(text.size()));
        Bytes(text.data(), text.size() * sizeof(wchar_t));
    }
    void Value(const RegistryValue& value) {
        Text(value.name);
        Number(static_cast<uint32_t>(value.type));
        Number(static_cast<uint32_t>(value.data.size()));
        Bytes(value.data.data(), value.data.size());
    }
    // The bytes with their checksum after them.
    std::string Sealed() const {
        std::string sealed = bytes_;
        const uint64_t sum = Checksum(bytes_.data(), bytes_.size());
        sealed.append(reinterpret_cast<const char*>(&sum), sizeof sum);
        return sealed;
    }

private:
    std::string bytes_;
};

class RecordReader {
public:
    // Not ok at once when the checksum at the end does not match the rest.
    explicit RecordReader(const std::string& sealed) : bytes_(sealed) {
        uint64_t sum = 0;
        if (bytes_.size() < sizeof sum) {
            ok = false;
            return;
        }
        end_ = bytes_.size() - sizeof sum;
        memcpy(&sum, bytes_.data() + end_, sizeof sum);
        ok = sum == Checksum(bytes_.data(), end_);
    }
    bool Bytes(void* data, size_t size) {
        if (!ok || size > end_ - at_) return ok = false;
        memcpy(data, bytes_.data() + at_, size);
        at_ += size;
        return true;
    }
    template <typename T>
    T Number() {
        T value{};
        Bytes(&value, sizeof value);
        return value;
    }
    std::wstring Text() {
        const auto length = Number<uint32_t>();
        if (!ok || length > (end_ - at_) / sizeof(wchar_t)) return ok = false, std::wstring();
        std::wstring text(length, L'\0');
        Bytes(text.data(), length * sizeof(wchar_t));
        return text;
    }
    RegistryValue Value() {
        RegistryValue value;
        value.name = Text();
        value.type = Number<uint32_t>();
        const auto length = Number<uint32_t>();
        if (!ok || length > end_ - at_) return ok = false, value;
        value.data.resize(length);
        Bytes(value.data.data(), length);
        return value;
    }
    // Whether a count of `count` items of at least `least` bytes each fits in what is left.
    bool Fits(uint32_t count, size_t least) {
        if (ok && count > (end_ - at_) / least) ok = false;
        return ok;
    }
    bool AtEnd() const { return at_ == end_; }
    bool ok = true;

private:
    const std::string& bytes_;
    size_t end_ = 0;
    size_t at_ = 0;
};

}  // namespace barsmith
