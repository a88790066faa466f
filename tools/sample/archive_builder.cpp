#include "tools/sample/archive_builder.h"

#include <cstdio>
#include <stdexcept>
#include <sys/stat.h>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "tools/sample/lzw_encoder.h"

// ---- entry specs -------------------------------------------------------------

ArchiveEntrySpec PlainEntry(uint8_t type, std::vector<uint8_t> data) {
    ArchiveEntrySpec spec;
    spec.type = type;
    spec.data = std::move(data);
    return spec;
}

ArchiveEntrySpec CompressedEntry(uint8_t type, std::vector<uint8_t> data) {
    ArchiveEntrySpec spec = PlainEntry(type, std::move(data));
    spec.storage = EntryStorage::Compressed;
    return spec;
}

ArchiveEntrySpec LiteralCompressedEntry(uint8_t type, std::vector<uint8_t> data) {
    ArchiveEntrySpec spec = PlainEntry(type, std::move(data));
    spec.storage = EntryStorage::CompressedLiteral;
    return spec;
}

ArchiveEntrySpec ExternalEntry(uint8_t type, std::string path, std::vector<uint8_t> contents) {
    ArchiveEntrySpec spec = PlainEntry(type, std::move(contents));
    spec.storage = EntryStorage::External;
    spec.path = std::move(path);
    return spec;
}

ArchiveEntrySpec LinkEntry(uint32_t target) {
    ArchiveEntrySpec spec;
    spec.type = static_cast<uint8_t>(RES_TYPE_LINK);
    spec.storage = EntryStorage::Link;
    spec.linkTarget = target;
    return spec;
}

ArchiveEntrySpec NumberEntry(uint32_t value, uint8_t type) {
    std::vector<uint8_t> bytes(4);
    PutU32LE(bytes.data(), value);
    return PlainEntry(type, std::move(bytes));
}

std::vector<uint8_t> BytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> Utf16BytesOf(const std::u16string& text) {
    std::vector<uint8_t> bytes(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i)
        PutU16LE(bytes.data() + i * 2, static_cast<uint16_t>(text[i]));
    return bytes;
}

// ---- flat archive --------------------------------------------------------------

namespace {

struct StoredEntry {
    uint8_t typeByte;
    uint32_t size;
    std::vector<uint8_t> bytes; // as stored in the file
};

StoredEntry StoreEntry(const ArchiveEntrySpec& spec) {
    StoredEntry stored{static_cast<uint8_t>((spec.type & ENTRY_TYPE_MASK) | spec.extraFlags),
                       static_cast<uint32_t>(spec.data.size()),
                       {}};
    switch (spec.storage) {
    case EntryStorage::Plain:
        stored.bytes = spec.data;
        break;
    case EntryStorage::Compressed:
        stored.typeByte |= ENTRY_FLAG_COMPRESSED;
        stored.bytes = LzwEncode(spec.data);
        break;
    case EntryStorage::CompressedLiteral:
        stored.typeByte |= ENTRY_FLAG_COMPRESSED;
        stored.bytes = LzwEncodeLiteral(spec.data);
        break;
    case EntryStorage::External:
        stored.typeByte |= ENTRY_FLAG_EXTERNAL;
        stored.bytes = BytesOf(spec.path);
        break;
    case EntryStorage::Link:
        stored.typeByte = static_cast<uint8_t>(RES_TYPE_LINK);
        stored.size = spec.linkTarget;
        break;
    }
    if (spec.sizeField)
        stored.size = *spec.sizeField;
    return stored;
}

void PutRecord(std::vector<uint8_t>& file, uint32_t record, uint8_t typeByte, uint32_t size,
               uint32_t offset) {
    uint8_t* p = file.data() + ARCHIVE_HEADER_SIZE + static_cast<size_t>(record) * 9;
    p[0] = typeByte;
    PutU32LE(p + 1, size);
    PutU32LE(p + 5, offset);
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

void MakeParentFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0755);
}

void ApplyFaults(std::vector<uint8_t>& file, const ArchiveFaults& faults) {
    for (size_t i = 0; i < 4 && i < faults.magic.size(); ++i)
        file[i] = static_cast<uint8_t>(faults.magic[i]);
    if (faults.entryCount)
        PutU32LE(file.data() + 4, *faults.entryCount);
    uint32_t records = GetU32LE(file.data() + 4);
    for (const auto& [record, offset] : faults.offsets)
        if (ARCHIVE_HEADER_SIZE + (static_cast<size_t>(record) + 1) * 9 <= file.size() &&
            record <= records)
            PutU32LE(file.data() + ARCHIVE_HEADER_SIZE + static_cast<size_t>(record) * 9 + 5,
                     offset);
    for (const auto& [record, typeByte] : faults.typeBytes)
        if (ARCHIVE_HEADER_SIZE + (static_cast<size_t>(record) + 1) * 9 <= file.size())
            file[ARCHIVE_HEADER_SIZE + static_cast<size_t>(record) * 9] = typeByte;
    if (faults.truncateTo && *faults.truncateTo < file.size())
        file.resize(*faults.truncateTo);
}

} // namespace

uint32_t ArchiveBuilder::Add(ArchiveEntrySpec spec) {
    entries_.push_back(std::move(spec));
    return Count() - 1;
}

uint32_t ArchiveBuilder::AddPlain(uint8_t type, std::vector<uint8_t> data) {
    return Add(PlainEntry(type, std::move(data)));
}

uint32_t ArchiveBuilder::AddCompressed(uint8_t type, std::vector<uint8_t> data) {
    return Add(CompressedEntry(type, std::move(data)));
}

uint32_t ArchiveBuilder::AddExternal(uint8_t type, std::string path,
                                     std::vector<uint8_t> contents) {
    return Add(ExternalEntry(type, std::move(path), std::move(contents)));
}

uint32_t ArchiveBuilder::AddLink(uint32_t target) {
    return Add(LinkEntry(target));
}

uint32_t ArchiveBuilder::AddNumber(uint32_t value, uint8_t type) {
    return Add(NumberEntry(value, type));
}

void ArchiveBuilder::Set(uint32_t index, ArchiveEntrySpec spec) {
    if (index >= entries_.size())
        entries_.resize(static_cast<size_t>(index) + 1);
    entries_[index] = std::move(spec);
}

std::vector<uint8_t> ArchiveBuilder::Build(const ArchiveFaults& faults) const {
    const uint32_t count = Count();
    std::vector<StoredEntry> stored;
    stored.reserve(count);
    for (const ArchiveEntrySpec& spec : entries_)
        stored.push_back(StoreEntry(spec));
    size_t dataStart = ARCHIVE_HEADER_SIZE + (static_cast<size_t>(count) + 1) * 9;
    size_t total = dataStart;
    for (const StoredEntry& entry : stored)
        total += entry.bytes.size();
    if (total > 0xFFFFFFFFu)
        throw std::length_error("archive larger than 4 GiB");

    std::vector<uint8_t> file(dataStart);
    file[0] = 'P';
    file[1] = 'a';
    file[2] = 'R';
    file[3] = '6';
    PutU32LE(file.data() + 4, count);
    file.reserve(total);
    for (uint32_t i = 0; i < count; ++i) {
        // A link has no data; its offset is unused and records the current one.
        PutRecord(file, i, stored[i].typeByte, stored[i].size, static_cast<uint32_t>(file.size()));
        file.insert(file.end(), stored[i].bytes.begin(), stored[i].bytes.end());
    }
    PutRecord(file, count, 0, 0, static_cast<uint32_t>(file.size()));
    ApplyFaults(file, faults);
    return file;
}

bool ArchiveBuilder::WriteExternalFiles() const {
    for (const ArchiveEntrySpec& spec : entries_) {
        if (spec.storage != EntryStorage::External)
            continue;
        MakeParentFolders(spec.path);
        if (!WriteWholeFile(spec.path, spec.data))
            return false;
    }
    return true;
}

bool ArchiveBuilder::WriteToFile(const std::string& path, const ArchiveFaults& faults) const {
    MakeParentFolders(path);
    return WriteExternalFiles() && WriteWholeFile(path, Build(faults));
}

// ---- catalogue layout ---------------------------------------------------------

void CatalogueBuilder::SetGroupBase(uint32_t base) {
    if (base <= kRootEntry)
        throw std::out_of_range("the group base lies above the catalogue root");
    groupBase_ = base;
}

void CatalogueBuilder::SetFixed(uint32_t index, ArchiveEntrySpec spec) {
    if (index >= groupBase_ || index == kRootEntry)
        throw std::out_of_range("fixed entries lie below the group base, entry 3 is the root");
    fixed_[index] = std::move(spec);
}

void CatalogueBuilder::SetNestedCatalogue(uint32_t rootEntry, const CatalogueBuilder& nested) {
    if (rootEntry >= groupBase_ || rootEntry == kRootEntry)
        throw std::out_of_range("a nested catalogue's root is a fixed entry");
    nestedRoot_ = rootEntry;
    nested_ = std::make_shared<CatalogueBuilder>(nested);
}

// The nested catalogue's C is where the archive ends now; its A, B and
// links are absolute entry numbers like the main catalogue's.
void CatalogueBuilder::AppendNested(ArchiveBuilder* archive) const {
    const uint32_t base = archive->Count();
    const CatalogueBuilder& inner = *nested_;
    const uint32_t shift = base - inner.groupBase_;
    archive->Set(nestedRoot_, LinkEntry(base));
    archive->Add(NumberEntry(inner.GroupLimit() + shift));
    archive->Add(NumberEntry(inner.EntryLimit() + shift));
    for (uint32_t g = 0; g < inner.GroupCount(); ++g) {
        if (inner.groups_[g].empty())
            throw std::invalid_argument("every catalogue group needs at least one item");
        archive->Add(LinkEntry(inner.FirstEntry(g) + shift));
    }
    for (uint32_t g : inner.StorageOrder())
        for (const ArchiveEntrySpec& spec : inner.groups_[g])
            archive->Add(spec);
}

uint32_t CatalogueBuilder::AddGroup() {
    groups_.emplace_back();
    return GroupCount() - 1;
}

uint32_t CatalogueBuilder::AddItem(uint32_t group, ArchiveEntrySpec spec) {
    groups_.at(group).push_back(std::move(spec));
    return static_cast<uint32_t>(groups_[group].size()) - 1;
}

void CatalogueBuilder::SetItem(uint32_t group, uint32_t item, ArchiveEntrySpec spec) {
    groups_.at(group).at(item) = std::move(spec);
}

uint32_t CatalogueBuilder::AddTail(ArchiveEntrySpec spec) {
    tail_.push_back(std::move(spec));
    return static_cast<uint32_t>(tail_.size()) - 1;
}

void CatalogueBuilder::SetTail(uint32_t tail, ArchiveEntrySpec spec) {
    tail_.at(tail) = std::move(spec);
}

void CatalogueBuilder::SetStorageOrder(std::vector<uint32_t> order) {
    order_ = std::move(order);
}

std::vector<uint32_t> CatalogueBuilder::StorageOrder() const {
    std::vector<uint32_t> order = order_;
    std::vector<bool> placed(groups_.size(), false);
    for (uint32_t g : order)
        if (g >= groups_.size() || placed[g])
            throw std::invalid_argument("storage order is not a permutation of the groups");
        else
            placed[g] = true;
    for (uint32_t g = 0; g < GroupCount(); ++g)
        if (!placed[g])
            order.push_back(g);
    return order;
}

uint32_t CatalogueBuilder::EntryLimit() const {
    uint32_t limit = GroupLimit();
    for (const auto& group : groups_)
        limit += static_cast<uint32_t>(group.size());
    return limit;
}

uint32_t CatalogueBuilder::FirstEntry(uint32_t group) const {
    uint32_t first = GroupLimit();
    for (uint32_t g : StorageOrder()) {
        if (g == group)
            return first;
        first += static_cast<uint32_t>(groups_[g].size());
    }
    throw std::out_of_range("no such group");
}

uint32_t CatalogueBuilder::EntryIndex(uint32_t group, uint32_t item) const {
    return FirstEntry(group) + item;
}

ArchiveBuilder CatalogueBuilder::ToArchive() const {
    ArchiveBuilder archive;
    for (uint32_t i = 0; i < groupBase_; ++i)
        archive.Set(i, PlainEntry(0, {}));
    for (const auto& [index, spec] : fixed_)
        archive.Set(index, spec);
    archive.Set(kRootEntry, LinkEntry(groupBase_));
    archive.Set(groupBase_, NumberEntry(GroupLimit()));
    archive.Set(groupBase_ + 1, NumberEntry(EntryLimit()));
    for (uint32_t g = 0; g < GroupCount(); ++g) {
        if (groups_[g].empty())
            throw std::invalid_argument("every catalogue group needs at least one item");
        archive.Set(groupBase_ + 2 + g, LinkEntry(FirstEntry(g)));
    }
    for (uint32_t g : StorageOrder())
        for (const ArchiveEntrySpec& spec : groups_[g])
            archive.Add(spec);
    for (const ArchiveEntrySpec& spec : tail_)
        archive.Add(spec);
    if (nested_)
        AppendNested(&archive);
    return archive;
}

std::vector<uint8_t> CatalogueBuilder::Build(const ArchiveFaults& faults) const {
    return ToArchive().Build(faults);
}

bool CatalogueBuilder::WriteToFile(const std::string& path, const ArchiveFaults& faults) const {
    return ToArchive().WriteToFile(path, faults);
}
