// The resource catalogue: groups of consecutive archive entries, loaded by
// type on first use and cached until unloaded.
#include "engine/catalogue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/helpers.h"
#include "engine/resource_stream.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "media/mmplay.h"

ResourceCatalogue gResourceCatalogue = {};
CacheTable gResourceCache = {};

namespace {

[[noreturn]] void CatalogueFatal(const char* format, uint32_t value) {
    std::printf(format, static_cast<int>(value));
    FatalExit();
}

[[noreturn]] void BadLayout(uint32_t entry) {
    CatalogueFatal("Bad resource catalogue at %d.\n", entry);
}

uint32_t ReadLayoutWord(const ResourceArchive* archive, uint32_t entry) {
    uint32_t value = 0;
    if (!ReadEntryWord(archive, entry, &value))
        BadLayout(entry);
    return value;
}

const ResourceGroup* FindGroup(const ResourceCatalogue* catalogue, uint32_t group) {
    if (catalogue == nullptr || catalogue->groups == nullptr || group >= catalogue->groupCount)
        return nullptr;
    return &catalogue->groups[group];
}

// The item's column in its group, negative items counted from the end;
// -1 when outside the group.
int32_t ItemColumn(const ResourceGroup* group, int32_t item) {
    int64_t size = static_cast<int64_t>(group->end) - group->first;
    int64_t column = item < 0 ? item + size : item;
    return column >= 0 && column < size ? static_cast<int32_t>(column) : -1;
}

int32_t SoundKindOf(uint32_t type) {
    if (type == RES_TYPE_SOUND_PREDECODED)
        return SOUND_PREDECODED;
    if (type == RES_TYPE_SOUND_STREAMED)
        return SOUND_STREAMED;
    return SOUND_IN_MEMORY;
}

bool IsSoundType(uint32_t type) {
    return type == RES_TYPE_SOUND_PREDECODED || type == RES_TYPE_SOUND_STREAMED ||
           type == RES_TYPE_SOUND_IN_MEMORY;
}

void ReadGroupLinks(ResourceCatalogue* catalogue) {
    const ResourceArchive* archive = catalogue->archive;
    for (uint32_t k = 0; k < catalogue->groupCount; ++k) {
        uint32_t link = catalogue->groupBase + 2 + k;
        if (GetEntryType(archive, link) != RES_TYPE_LINK)
            CatalogueFatal("Found non Var pointer in %d.\n", catalogue->groupBase + k);
        uint32_t first = 0;
        ReadEntryWord(archive, link, &first);
        catalogue->groups[k].first = first;
    }
}

// Each group ends where the next group (by first entry) begins, or at B;
// groups sharing a first entry are empty. Sorting keeps this fast for any
// number of groups.
void FindGroupEnds(ResourceCatalogue* catalogue) {
    uint32_t count = catalogue->groupCount;
    std::vector<uint32_t> firsts(count);
    for (uint32_t k = 0; k < count; ++k)
        firsts[k] = catalogue->groups[k].first;
    std::sort(firsts.begin(), firsts.end());
    for (uint32_t k = 0; k < count; ++k) {
        ResourceGroup& group = catalogue->groups[k];
        auto above = std::upper_bound(firsts.begin(), firsts.end(), group.first);
        auto same = std::lower_bound(firsts.begin(), firsts.end(), group.first);
        if (above - same > 1)
            group.end = group.first;
        else
            group.end = above != firsts.end() ? std::min(*above, catalogue->entryLimit)
                                              : catalogue->entryLimit;
    }
}

void FillCacheRows(ResourceCatalogue* catalogue) {
    for (uint32_t k = 0; k < catalogue->groupCount; ++k) {
        CacheTableEndRow(catalogue->cache);
        const ResourceGroup& group = catalogue->groups[k];
        if (group.first == 0)
            CatalogueFatal("Found zero pointer in %d.\n", k);
        if (group.first < catalogue->groupLimit || group.first > catalogue->entryLimit)
            BadLayout(catalogue->groupBase + 2 + k);
        for (uint32_t i = group.first; i < group.end; ++i)
            if (!CacheTableAppend(catalogue->cache, 0))
                BadLayout(catalogue->groupBase + 2 + k);
    }
}

} // namespace

// ---- cache table ---------------------------------------------------------------

int32_t CacheTableInit(CacheTable* cache, uint32_t rows, uint32_t items) {
    cache->rowCapacity = rows;
    cache->itemCapacity = items;
    cache->rowCount = 0;
    cache->itemCount = 0;
    cache->rowStarts = static_cast<uint32_t*>(std::calloc(rows + 1u, sizeof(uint32_t)));
    cache->items = static_cast<ResourceHandle*>(std::calloc(items + 1u, sizeof(ResourceHandle)));
    if (cache->rowStarts == nullptr || cache->items == nullptr)
        FatalMessage("out of memory\n");
    return 1;
}

void CacheTableEndRow(CacheTable* cache) {
    if (cache->rowCount >= cache->rowCapacity)
        return;
    cache->rowStarts[cache->rowCount] = cache->itemCount;
    cache->rowCount += 1;
}

int32_t CacheTableAppend(CacheTable* cache, ResourceHandle value) {
    if (cache->itemCount >= cache->itemCapacity)
        return 0;
    cache->items[cache->itemCount] = value;
    cache->itemCount += 1;
    return 1;
}

ResourceHandle CacheTableGet(const CacheTable* cache, uint32_t row, uint32_t column) {
    if (row >= cache->rowCount)
        return 0;
    uint64_t index = static_cast<uint64_t>(cache->rowStarts[row]) + column;
    return index < cache->itemCount ? cache->items[index] : 0;
}

void CacheTableSet(CacheTable* cache, uint32_t row, uint32_t column, ResourceHandle value) {
    if (row >= cache->rowCount)
        return;
    uint64_t index = static_cast<uint64_t>(cache->rowStarts[row]) + column;
    if (index < cache->itemCount)
        cache->items[index] = value;
}

int32_t CacheTableFree(CacheTable* cache) {
    FreeAndNull(&cache->rowStarts);
    FreeAndNull(&cache->items);
    cache->rowCapacity = 0;
    cache->itemCapacity = 0;
    cache->rowCount = 0;
    cache->itemCount = 0;
    return 1;
}

// ---- building ------------------------------------------------------------------

int32_t BuildResourceCatalogue(ResourceCatalogue* catalogue, ResourceArchive* archive,
                               CacheTable* cache, uint32_t* frameCounter, uint32_t root) {
    uint32_t base = ReadLayoutWord(archive, root);
    if (base > GetEntryCount(archive) - 2 || GetEntryCount(archive) < 2)
        BadLayout(root);
    uint32_t groupLimit = ReadLayoutWord(archive, base);
    uint32_t entryLimit = ReadLayoutWord(archive, base + 1);
    if (groupLimit < base + 2 || entryLimit < groupLimit || entryLimit > GetEntryCount(archive))
        BadLayout(base);

    *catalogue = ResourceCatalogue{};
    catalogue->archive = archive;
    catalogue->cache = cache;
    catalogue->frameCounter = frameCounter;
    catalogue->groupBase = base;
    catalogue->groupLimit = groupLimit;
    catalogue->entryLimit = entryLimit;
    catalogue->groupCount = groupLimit - base - 2;
    catalogue->groups =
        static_cast<ResourceGroup*>(std::calloc(groupLimit - base, sizeof(ResourceGroup)));
    if (catalogue->groups == nullptr)
        FatalMessage("out of memory\n");
    CacheTableInit(cache, groupLimit - base, entryLimit - groupLimit + 1);
    ReadGroupLinks(catalogue);
    FindGroupEnds(catalogue);
    FillCacheRows(catalogue);
    return 1;
}

// ---- lookups -------------------------------------------------------------------

int32_t GetResourceCached(ResourceCatalogue* catalogue, uint32_t group, int32_t item,
                          ResourceHandle* handle) {
    *handle = 0;
    const ResourceGroup* found = FindGroup(catalogue, group);
    if (found == nullptr)
        return -1;
    int32_t column = ItemColumn(found, item);
    if (column < 0)
        return -1;
    ResourceHandle cached = CacheTableGet(catalogue->cache, group, static_cast<uint32_t>(column));
    if (cached != 0) {
        *handle = cached;
        return 0;
    }
    int32_t result = LoadResourceByType(catalogue->archive, found->first + column, handle, nullptr);
    CacheTableSet(catalogue->cache, group, static_cast<uint32_t>(column), *handle);
    return result;
}

ResourceHandle GetResource(ResourceCatalogue* catalogue, uint32_t group, int32_t item) {
    ResourceHandle handle = 0;
    GetResourceCached(catalogue, group, item, &handle);
    return handle;
}

uint32_t GetResourceSize(ResourceCatalogue* catalogue, uint32_t group, int32_t item) {
    if (FindGroup(catalogue, group) == nullptr)
        return 0;
    return GetEntrySize(catalogue->archive, GetResourceIndex(catalogue, group, item));
}

uint32_t GetGroupSize(const ResourceCatalogue* catalogue, uint32_t group) {
    const ResourceGroup* found = FindGroup(catalogue, group);
    return found != nullptr ? found->end - found->first : 0;
}

uint32_t GetResourceIndex(const ResourceCatalogue* catalogue, uint32_t group, int32_t item) {
    const ResourceGroup* found = FindGroup(catalogue, group);
    if (found == nullptr)
        return catalogue != nullptr ? GetEntryCount(catalogue->archive) : 0;
    return found->first + static_cast<uint32_t>(item);
}

// ---- unloading -----------------------------------------------------------------

void FreeResourceByType(ResourceHandle* handle, uint32_t type) {
    if (*handle == 0)
        return;
    if (type == RES_TYPE_PNG) {
        Image* image = HandleAs<Image>(*handle);
        FreeImage(&image);
    } else if (IsSoundType(type)) {
        gMMplay.Unload(static_cast<int32_t>(*handle));
    } else {
        std::free(HandleAs<void>(*handle));
    }
    *handle = 0;
}

void UnloadResource(ResourceCatalogue* catalogue, uint32_t group, int32_t item) {
    const ResourceGroup* found = FindGroup(catalogue, group);
    if (found == nullptr || item < 0 || ItemColumn(found, item) != item)
        return;
    ResourceHandle handle = CacheTableGet(catalogue->cache, group, static_cast<uint32_t>(item));
    if (handle == 0)
        return;
    FreeResourceByType(&handle, GetEntryType(catalogue->archive, found->first + item));
    CacheTableSet(catalogue->cache, group, static_cast<uint32_t>(item), 0);
}

int32_t UnloadGroup(ResourceCatalogue* catalogue, uint32_t group) {
    uint32_t size = GetGroupSize(catalogue, group);
    for (uint32_t item = 0; item < size; ++item)
        UnloadResource(catalogue, group, static_cast<int32_t>(item));
    return 1;
}

int32_t UnloadCatalogue(ResourceCatalogue* catalogue) {
    if (catalogue == nullptr)
        return 1;
    for (uint32_t group = catalogue->groupCount; group-- > 0;)
        UnloadGroup(catalogue, group);
    std::free(catalogue->groups);
    *catalogue = ResourceCatalogue{};
    return 1;
}

// ---- typed loading ---------------------------------------------------------------

int32_t LoadRawResource(ResourceArchive* archive, uint32_t entry, uint8_t** buffer) {
    *buffer = nullptr;
    uint32_t size = GetEntrySize(archive, entry);
    if (size == 0 || size > 0x7FFFFFF0u)
        return 0;
    *buffer = static_cast<uint8_t*>(ZAlloc(static_cast<int32_t>(size)));
    ReadEntryUpTo(archive, *buffer, entry, size);
    return static_cast<int32_t>(size);
}

int32_t LoadResourceByType(ResourceArchive* archive, uint32_t entry, ResourceHandle* handle,
                           uint32_t* type) {
    uint32_t entryType = GetEntryType(archive, entry);
    if (type != nullptr)
        *type = entryType;
    *handle = 0;
    if (entryType == RES_TYPE_IMAGE_STUB)
        return 0;
    if (entryType == RES_TYPE_PNG) {
        Image* image = nullptr;
        if (!LoadPngResource(&image, archive, entry))
            return -1;
        // Uploaded at once, so drawing never waits for a decode.
        UploadTexture(image);
        *handle = reinterpret_cast<ResourceHandle>(image);
        return 0;
    }
    if (IsSoundType(entryType)) {
        gMMplay.Play(-1, 0, static_cast<int32_t>(entry), SoundKindOf(entryType), 0);
        *handle = entry;
        return 0;
    }
    uint8_t* buffer = nullptr;
    int32_t size = LoadRawResource(archive, entry, &buffer);
    *handle = reinterpret_cast<ResourceHandle>(buffer);
    return size;
}

uint32_t ResolveResourceLink(const ResourceArchive* archive, uint32_t entry) {
    // A cycle of links cannot outlast one hop per entry.
    uint32_t count = GetEntryCount(archive);
    for (uint32_t hops = 0; hops <= count; ++hops) {
        if (GetEntryType(archive, entry) != RES_TYPE_LINK)
            return entry;
        ReadEntryWord(archive, entry, &entry);
    }
    return count;
}

int32_t ResourceTypeInClass(uint32_t type, uint32_t typeClass) {
    switch (typeClass) {
    case RES_CLASS_IMAGE:
        return type == RES_TYPE_IMAGE_STUB || type == RES_TYPE_IMAGE_RAW_A ||
               type == RES_TYPE_IMAGE_RAW_B || type == RES_TYPE_PNG;
    case RES_CLASS_SOUND:
        return IsSoundType(type);
    case RES_CLASS_CLASS8:
        return type == RES_TYPE_CLASS8_RAW;
    case RES_CLASS_LINK:
        return type == RES_TYPE_LINK;
    default:
        return 0;
    }
}

int32_t LoadResourceChecked(ResourceArchive* archive, uint32_t* entry, ResourceHandle* handle,
                            uint32_t typeClass) {
    uint32_t asked = *entry;
    uint32_t resolved = ResolveResourceLink(archive, asked);
    *entry = resolved;
    uint32_t type = GetEntryType(archive, resolved);
    if (!ResourceTypeInClass(type, typeClass)) {
        std::printf("Desired resource %d type %d not present at %d type %d.",
                    static_cast<int>(asked), static_cast<int>(typeClass),
                    static_cast<int>(resolved), static_cast<int>(type));
        FatalMessage("");
    }
    return LoadResourceByType(archive, resolved, handle, nullptr);
}

char16_t* LoadResourceText(ResourceCatalogue* catalogue, uint32_t resourceNumber, uint32_t item) {
    if (resourceNumber < RESOURCE_NUMBER_BASE)
        return nullptr;
    const ResourceGroup* found = FindGroup(catalogue, resourceNumber - RESOURCE_NUMBER_BASE);
    if (found == nullptr)
        return nullptr;
    uint32_t entry = found->first + item;
    uint32_t size = GetEntrySize(catalogue->archive, entry);
    if (size > 0x7FFFFFF0u)
        return nullptr;
    uint8_t* bytes = static_cast<uint8_t*>(ZAlloc(static_cast<int32_t>(size + 2)));
    ReadEntryUpTo(catalogue->archive, bytes, entry, size);
    // Ends after the last whole code unit; an odd last byte is dropped.
    uint32_t end = size & ~1u;
    bytes[end] = 0;
    bytes[end + 1] = 0;
    return reinterpret_cast<char16_t*>(bytes);
}
