// Writes "PaR6" resource archives for tests and for the sample archive:
// plain, compressed, external and link entries, 4-byte number entries, and
// (CatalogueBuilder) the fixed-index entries 0..31 with catalogue groups laid
// out as the catalogue reads them. Faults can be written in on purpose.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class EntryStorage { Plain, Compressed, CompressedLiteral, External, Link };

struct ArchiveEntrySpec {
    uint8_t type = 0;
    EntryStorage storage = EntryStorage::Plain;
    // Plain and compressed: the unpacked bytes. External: the outside
    // file's contents, written beside the archive by WriteToFile.
    std::vector<uint8_t> data;
    std::string path; // External: as stored, relative to the working folder
    uint32_t linkTarget = 0;
    std::optional<uint32_t> sizeField; // overrides the directory's size field
    uint8_t extraFlags = 0;            // more type-byte flags (0x40, 0x80)
};

ArchiveEntrySpec PlainEntry(uint8_t type, std::vector<uint8_t> data);
ArchiveEntrySpec CompressedEntry(uint8_t type, std::vector<uint8_t> data);
ArchiveEntrySpec LiteralCompressedEntry(uint8_t type, std::vector<uint8_t> data);
ArchiveEntrySpec ExternalEntry(uint8_t type, std::string path, std::vector<uint8_t> contents);
ArchiveEntrySpec LinkEntry(uint32_t target);
// A 4-byte entry holding one little-endian u32.
ArchiveEntrySpec NumberEntry(uint32_t value, uint8_t type = 0);

std::vector<uint8_t> BytesOf(const std::string& text);
// UTF-16 little-endian code units, no terminator.
std::vector<uint8_t> Utf16BytesOf(const std::u16string& text);

// Deliberate damage for failure tests.
struct ArchiveFaults {
    std::optional<uint32_t> entryCount;    // N written in the header
    std::optional<size_t> truncateTo;      // file cut to this many bytes
    std::map<uint32_t, uint32_t> offsets;  // directory record -> offset field
    std::map<uint32_t, uint8_t> typeBytes; // directory record -> type byte
    std::string magic = "PaR6";
};

class ArchiveBuilder {
public:
    uint32_t Add(ArchiveEntrySpec spec);
    uint32_t AddPlain(uint8_t type, std::vector<uint8_t> data);
    uint32_t AddCompressed(uint8_t type, std::vector<uint8_t> data);
    uint32_t AddExternal(uint8_t type, std::string path, std::vector<uint8_t> contents);
    uint32_t AddLink(uint32_t target);
    uint32_t AddNumber(uint32_t value, uint8_t type = 0);
    // Puts an entry at `index`, filling any gap with empty type-0 entries.
    void Set(uint32_t index, ArchiveEntrySpec spec);
    ArchiveEntrySpec& Entry(uint32_t index) { return entries_.at(index); }
    const ArchiveEntrySpec& Entry(uint32_t index) const { return entries_.at(index); }
    uint32_t Count() const { return static_cast<uint32_t>(entries_.size()); }

    std::vector<uint8_t> Build(const ArchiveFaults& faults = {}) const;
    // Writes the archive and the contents of its external entries; false on
    // any write error.
    bool WriteToFile(const std::string& path, const ArchiveFaults& faults = {}) const;
    bool WriteExternalFiles() const;

private:
    std::vector<ArchiveEntrySpec> entries_;
};

// The game's archive layout: fixed entries 0..31 (entry 3 links to the
// catalogue), entries 32 and 33 hold A and B, group links from 34, group
// items in [A, B), then the tail entries.
class CatalogueBuilder {
public:
    static constexpr uint32_t kGroupBase = 32; // C, unless set otherwise
    static constexpr uint32_t kRootEntry = 3;

    // More room for fixed entries: C moves to `base` (at least 4).
    void SetGroupBase(uint32_t base);
    uint32_t GroupBase() const { return groupBase_; }
    void SetFixed(uint32_t index, ArchiveEntrySpec spec); // below C, not 3
    // A second catalogue stored after the tail, its root at fixed entry
    // `rootEntry` (a link to its own C). Its fixed entries are not used.
    void SetNestedCatalogue(uint32_t rootEntry, const CatalogueBuilder& nested);
    uint32_t AddGroup();
    uint32_t AddItem(uint32_t group, ArchiveEntrySpec spec);
    void SetItem(uint32_t group, uint32_t item, ArchiveEntrySpec spec);
    uint32_t AddTail(ArchiveEntrySpec spec);
    void SetTail(uint32_t tail, ArchiveEntrySpec spec);
    // Order in which the groups' items are stored in [A, B) (a permutation
    // of the group numbers); the links still name group k at entry C + 2 + k.
    void SetStorageOrder(std::vector<uint32_t> order);

    // Layout, valid at any time for the groups and items added so far.
    uint32_t GroupCount() const { return static_cast<uint32_t>(groups_.size()); }
    uint32_t ItemCount(uint32_t group) const {
        return group < groups_.size() ? static_cast<uint32_t>(groups_[group].size()) : 0;
    }
    uint32_t GroupLimit() const { return groupBase_ + 2 + GroupCount(); } // A
    uint32_t EntryLimit() const;                                          // B
    uint32_t FirstEntry(uint32_t group) const;
    uint32_t EntryIndex(uint32_t group, uint32_t item) const;
    uint32_t TailIndex(uint32_t tail) const { return EntryLimit() + tail; }

    // The flat archive, for further edits. Every group needs an item:
    // generated archives never give two groups the same first entry.
    ArchiveBuilder ToArchive() const;
    std::vector<uint8_t> Build(const ArchiveFaults& faults = {}) const;
    bool WriteToFile(const std::string& path, const ArchiveFaults& faults = {}) const;

private:
    void AppendNested(ArchiveBuilder* archive) const;

    uint32_t groupBase_ = kGroupBase;
    uint32_t nestedRoot_ = 0;
    std::shared_ptr<CatalogueBuilder> nested_;
    std::map<uint32_t, ArchiveEntrySpec> fixed_;
    std::vector<std::vector<ArchiveEntrySpec>> groups_;
    std::vector<ArchiveEntrySpec> tail_;
    std::vector<uint32_t> order_;
    std::vector<uint32_t> StorageOrder() const;
};
