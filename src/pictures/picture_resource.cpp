#include "pictures/picture_resource.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "pictures/picture_bytes.h"

namespace barsmith {
namespace {

constexpr size_t kSignatureAndFileHeaderBytes = sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
// The most sections the loader of older Windows versions accepts; programs have a handful.
constexpr uint16_t kMaxSections = 96;
constexpr uint32_t kHighBit = 0x80000000;  // an entry named by a string, or one that leads to a node
constexpr uint16_t kIconType = 3;          // RT_ICON
constexpr uint16_t kIconGroupType = 14;    // RT_GROUP_ICON
// Enough to look up a group of a hundred images; no file makes the lookup visit more.
constexpr int kMaxEntriesVisited = 4096;

// Where a section's bytes lie in the file, as far as both the file and the
// loaded image hold them.
struct Section {
    uint32_t address;  // relative to the loaded image's start
    uint32_t length;
    uint32_t fileOffset;
};

// A node of the resource directory: its entries, the named ones first.
struct Node {
    uint32_t offset;  // of its first entry, from the directory's start
    uint32_t named;
    uint32_t count;
};

// A directory entry: a name (high bit set) or an id, and where it leads: a
// node (high bit set) or a resource's data entry.
struct Entry {
    uint32_t name;
    uint32_t target;
};

struct Resource {
    uint16_t language;
    std::vector<uint8_t> bytes;
};

// The address and length of the resource directory, from a PE32 or PE32+
// optional header.
std::optional<std::pair<uint32_t, uint32_t>> ResourceDataDirectory(const Bytes& optional) {
    size_t countAt = 0, directoriesAt = 0;
    switch (optional.U16(0)) {
    case IMAGE_NT_OPTIONAL_HDR32_MAGIC:
        countAt = offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
        directoriesAt = offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
        break;
    case IMAGE_NT_OPTIONAL_HDR64_MAGIC:
        countAt = offsetof(IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes);
        directoriesAt = offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
        break;
    default: return std::nullopt;
    }
    const size_t at = directoriesAt + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof(IMAGE_DATA_DIRECTORY);
    if (optional.U32(countAt) <= IMAGE_DIRECTORY_ENTRY_RESOURCE || !optional.Has(at, sizeof(IMAGE_DATA_DIRECTORY))) {
        return std::nullopt;
    }
    return std::pair(optional.U32(at), optional.U32(at + sizeof(DWORD)));
}

std::vector<Section> Sections(const Bytes& table, size_t count) {
    std::vector<Section> sections;
    for (size_t at = 0; sections.size() < count; at += sizeof(IMAGE_SECTION_HEADER)) {
        const uint32_t loaded = table.U32(at + offsetof(IMAGE_SECTION_HEADER, Misc));  // VirtualSize
        const uint32_t stored = table.U32(at + offsetof(IMAGE_SECTION_HEADER, SizeOfRawData));
        // Old linkers leave the loaded size 0: then the file's size is the section's.
        sections.push_back({table.U32(at + offsetof(IMAGE_SECTION_HEADER, VirtualAddress)),
                            loaded ? std::min(loaded, stored) : stored,
                            table.U32(at + offsetof(IMAGE_SECTION_HEADER, PointerToRawData))});
    }
    return sections;
}

// The resource directory of a program file, read entry by entry within a
// budget of entries visited and bytes read that no file can exceed. The tree
// has three levels, type, name and language, walked by the caller: nothing
// in the file decides how deep a lookup goes.
class ResourceDirectory {
public:
    static std::optional<ResourceDirectory> Open(HANDLE file);

    std::optional<Node> Root() { return NodeAt(0); }
    // The node a type or name entry leads to.
    std::optional<Node> Below(const std::optional<Entry>& entry);
    std::optional<Entry> At(const Node& node, uint32_t index);
    // Found as the loader finds it: id entries are in ascending order.
    std::optional<Entry> WithId(const Node& node, uint16_t id);
    // The bytes of the resource a name entry leads to, in `language` where it
    // is there, else in its first language.
    std::optional<Resource> Data(const std::optional<Entry>& name, std::optional<uint16_t> language);

private:
    ResourceDirectory(HANDLE file, uint64_t fileSize) : file_(file), fileSize_(fileSize) {}
    std::optional<std::vector<uint8_t>> Read(uint64_t at, size_t count) const;
    std::optional<uint64_t> FileOffset(uint32_t address, uint32_t length) const;
    bool InDirectory(uint32_t offset, size_t length) const {
        return offset <= directoryLength_ && length <= directoryLength_ - offset;
    }
    std::optional<Node> NodeAt(uint32_t offset);

    HANDLE file_;  // not owned
    uint64_t fileSize_;
    std::vector<Section> sections_;
    uint64_t directoryAt_ = 0;
    uint32_t directoryLength_ = 0;
    int entriesLeft_ = kMaxEntriesVisited;
    size_t bytesLeft_ = kMaxPictureFileBytes;
};

std::optional<ResourceDirectory> ResourceDirectory::Open(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) return std::nullopt;
    ResourceDirectory directory(file, static_cast<uint64_t>(size.QuadPart));
    const std::optional<std::vector<uint8_t>> dos = directory.Read(0, sizeof(IMAGE_DOS_HEADER));
    if (!dos || Bytes(*dos).U16(0) != IMAGE_DOS_SIGNATURE) return std::nullopt;
    const uint64_t headerAt = Bytes(*dos).U32(offsetof(IMAGE_DOS_HEADER, e_lfanew));
    const std::optional<std::vector<uint8_t>> header = directory.Read(headerAt, kSignatureAndFileHeaderBytes);
    if (!header || Bytes(*header).U32(0) != IMAGE_NT_SIGNATURE) return std::nullopt;
    const size_t fileHeaderAt = sizeof(DWORD);
    const uint16_t sectionCount = Bytes(*header).U16(fileHeaderAt + offsetof(IMAGE_FILE_HEADER, NumberOfSections));
    const uint16_t optionalBytes = Bytes(*header).U16(fileHeaderAt + offsetof(IMAGE_FILE_HEADER, SizeOfOptionalHeader));
    if (sectionCount == 0 || sectionCount > kMaxSections) return std::nullopt;
    // The optional header and the section table follow the file header.
    const size_t restBytes = optionalBytes + sectionCount * sizeof(IMAGE_SECTION_HEADER);
    const std::optional<std::vector<uint8_t>> rest = directory.Read(headerAt + kSignatureAndFileHeaderBytes, restBytes);
    if (!rest) return std::nullopt;
    const Bytes headers(*rest);
    const std::optional<std::pair<uint32_t, uint32_t>> resources = ResourceDataDirectory(headers.Part(0, optionalBytes));
    if (!resources) return std::nullopt;
    directory.sections_ = Sections(headers.Part(optionalBytes, headers.size() - optionalBytes), sectionCount);
    const auto [address, length] = *resources;
    const std::optional<uint64_t> at = directory.FileOffset(address, length);
    if (!at) return std::nullopt;
    directory.directoryAt_ = *at;
    directory.directoryLength_ = length;
    return directory;
}

std::optional<std::vector<uint8_t>> ResourceDirectory::Read(uint64_t at, size_t count) const {
    if (at > fileSize_ || count > fileSize_ - at) return std::nullopt;
    return ReadFileAt(file_, at, count);
}

std::optional<uint64_t> ResourceDirectory::FileOffset(uint32_t address, uint32_t length) const {
    for (const Section& section : sections_) {
        if (address < section.address) continue;
        const uint32_t into = address - section.address;
        if (into <= section.length && length <= section.length - into) return uint64_t{section.fileOffset} + into;
    }
    return std::nullopt;
}

std::optional<Node> ResourceDirectory::NodeAt(uint32_t offset) {
    if (!InDirectory(offset, sizeof(IMAGE_RESOURCE_DIRECTORY))) return std::nullopt;
    const std::optional<std::vector<uint8_t>> header = Read(directoryAt_ + offset, sizeof(IMAGE_RESOURCE_DIRECTORY));
    if (!header) return std::nullopt;
    const Bytes fields(*header);
    const uint32_t named = fields.U16(offsetof(IMAGE_RESOURCE_DIRECTORY, NumberOfNamedEntries));
    const uint32_t count = named + fields.U16(offsetof(IMAGE_RESOURCE_DIRECTORY, NumberOfIdEntries));
    const uint32_t first = offset + sizeof(IMAGE_RESOURCE_DIRECTORY);
    if (!InDirectory(first, count * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY))) return std::nullopt;
    return Node{first, named, count};
}

std::optional<Node> ResourceDirectory::Below(const std::optional<Entry>& entry) {
    if (!entry || !(entry->target & kHighBit)) return std::nullopt;
    return NodeAt(entry->target & ~kHighBit);
}

std::optional<Entry> ResourceDirectory::At(const Node& node, uint32_t index) {
    if (index >= node.count || --entriesLeft_ < 0) return std::nullopt;
    const std::optional<std::vector<uint8_t>> entry =
        Read(directoryAt_ + node.offset + uint64_t{index} * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY),
             sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));
    if (!entry) return std::nullopt;
    return Entry{Bytes(*entry).U32(0), Bytes(*entry).U32(sizeof(DWORD))};
}

std::optional<Entry> ResourceDirectory::WithId(const Node& node, uint16_t id) {
    uint32_t low = node.named, high = node.count;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        const std::optional<Entry> entry = At(node, middle);
        if (!entry) return std::nullopt;
        if (entry->name == id) return entry;
        if (entry->name < id) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return std::nullopt;
}

std::optional<Resource> ResourceDirectory::Data(const std::optional<Entry>& name, std::optional<uint16_t> language) {
    const std::optional<Node> languages = Below(name);
    if (!languages) return std::nullopt;
    std::optional<Entry> leaf = language ? WithId(*languages, *language) : std::nullopt;
    if (!leaf) leaf = At(*languages, 0);
    if (!leaf || leaf->target & kHighBit || !InDirectory(leaf->target, sizeof(IMAGE_RESOURCE_DATA_ENTRY))) {
        return std::nullopt;
    }
    const std::optional<std::vector<uint8_t>> data = Read(directoryAt_ + leaf->target, sizeof(IMAGE_RESOURCE_DATA_ENTRY));
    if (!data) return std::nullopt;
    const uint32_t address = Bytes(*data).U32(offsetof(IMAGE_RESOURCE_DATA_ENTRY, OffsetToData));
    const uint32_t length = Bytes(*data).U32(offsetof(IMAGE_RESOURCE_DATA_ENTRY, Size));
    const std::optional<uint64_t> at = FileOffset(address, length);
    if (!at || length > bytesLeft_) return std::nullopt;
    bytesLeft_ -= length;
    std::optional<std::vector<uint8_t>> bytes = Read(*at, length);
    if (!bytes) return std::nullopt;
    return Resource{static_cast<uint16_t>(leaf->name), std::move(*bytes)};
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadFileAt(HANDLE file, uint64_t at, size_t count) {
    std::vector<uint8_t> bytes(count);
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD read = 0;
    if (count > MAXDWORD || (count && !ReadFile(file, bytes.data(), static_cast<DWORD>(count), &read, &where)) ||
        read != count) {
        return std::nullopt;
    }
    return bytes;
}

bool IsProgramFile(HANDLE file) {
    const std::optional<std::vector<uint8_t>> start = ReadFileAt(file, 0, sizeof(WORD));
    return start && Bytes(*start).U16(0) == IMAGE_DOS_SIGNATURE;
}

std::optional<CheckedPicture> ReadProgramIcon(HANDLE file, int resource) {
    std::optional<ResourceDirectory> directory = ResourceDirectory::Open(file);
    const std::optional<Node> root = directory ? directory->Root() : std::nullopt;
    if (!root) return std::nullopt;
    const std::optional<Node> groups = directory->Below(directory->WithId(*root, kIconGroupType));
    const std::optional<Node> icons = directory->Below(directory->WithId(*root, kIconType));
    // Resource ids are 16 bits wide.
    if (!groups || !icons || resource < -0xFFFF) return std::nullopt;
    const std::optional<Entry> name = resource >= 0 ? directory->At(*groups, static_cast<uint32_t>(resource))
                                                    : directory->WithId(*groups, static_cast<uint16_t>(-resource));
    const std::optional<Resource> group = directory->Data(name, std::nullopt);
    const std::vector<uint16_t> ids = group ? CheckedIconGroup(group->bytes) : std::vector<uint16_t>{};
    if (ids.empty()) return std::nullopt;
    CheckedPicture picture;
    for (size_t index = 0; index < ids.size(); ++index) {
        const std::optional<Resource> image = directory->Data(directory->WithId(*icons, ids[index]), group->language);
        std::optional<IconImage> checked = image ? CheckedGroupImage(group->bytes, index, image->bytes) : std::nullopt;
        if (!checked) return std::nullopt;
        checked->offset = picture.bytes.size();
        picture.bytes.insert(picture.bytes.end(), image->bytes.begin(), image->bytes.end());
        picture.images.push_back(*checked);
    }
    return picture;
}

}  // namespace barsmith
