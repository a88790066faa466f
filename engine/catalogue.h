// Resources named (group, item): the group table read from the archive's
// link entries, typed loading, and the cache of loaded handles.
#pragma once

#include <cstdint>

#include "engine/archive.h"

struct Image;

// A loaded resource: an Image*, a byte buffer, or a sound's entry index,
// by the entry's type. 0 = not loaded.
typedef uintptr_t ResourceHandle;

template <typename T> inline T* HandleAs(ResourceHandle handle) {
    return reinterpret_cast<T*>(handle);
}

constexpr uint32_t RES_CLASS_IMAGE = 1;
constexpr uint32_t RES_CLASS_SOUND = 2;
constexpr uint32_t RES_CLASS_CLASS8 = 8;
constexpr uint32_t RES_CLASS_LINK = 16;

constexpr uint32_t CATALOGUE_ROOT_ENTRY = 3;
// Fonts and texts are named by resource number: the group number plus this.
constexpr uint32_t RESOURCE_NUMBER_BASE = 22;

// A jagged table: row r's items are items[rowStarts[r] + c].
struct CacheTable {
    uint32_t rowCapacity;
    uint32_t itemCapacity;
    uint32_t rowCount;
    uint32_t itemCount;
    uint32_t* rowStarts;
    ResourceHandle* items;
};

struct ResourceGroup {
    uint32_t first; // archive index of the group's first entry
    uint32_t end;   // one past its last
    uint32_t unused;
};

struct ResourceCatalogue {
    ResourceArchive* archive;
    CacheTable* cache;
    ResourceGroup* groups; // owned
    uint32_t* frameCounter;
    uint32_t groupBase;  // C
    uint32_t groupLimit; // A
    uint32_t entryLimit; // B
    uint32_t groupCount; // A - C - 2
};

extern ResourceCatalogue gResourceCatalogue;
extern CacheTable gResourceCache;

int32_t CacheTableInit(CacheTable* cache, uint32_t rows, uint32_t items);
void CacheTableEndRow(CacheTable* cache);
// 1, or 0 when the table is full.
int32_t CacheTableAppend(CacheTable* cache, ResourceHandle value);
ResourceHandle CacheTableGet(const CacheTable* cache, uint32_t row, uint32_t column);
void CacheTableSet(CacheTable* cache, uint32_t row, uint32_t column, ResourceHandle value);
int32_t CacheTableFree(CacheTable* cache);

// Reads the group table under `root`; a bad layout ends the program with a
// message. 1.
int32_t BuildResourceCatalogue(ResourceCatalogue* catalogue, ResourceArchive* archive,
                               CacheTable* cache, uint32_t* frameCounter, uint32_t root);

// A negative item counts from the end of the group. 0 when the handle was
// cached, else the loader's result; -1 (and a null handle) out of range.
int32_t GetResourceCached(ResourceCatalogue* catalogue, uint32_t group, int32_t item,
                          ResourceHandle* handle);
ResourceHandle GetResource(ResourceCatalogue* catalogue, uint32_t group, int32_t item);
inline Image* GetResourceImage(ResourceCatalogue* catalogue, uint32_t group, int32_t item) {
    return HandleAs<Image>(GetResource(catalogue, group, item));
}
inline uint8_t* GetResourceBytes(ResourceCatalogue* catalogue, uint32_t group, int32_t item) {
    return HandleAs<uint8_t>(GetResource(catalogue, group, item));
}
// Measured now: an outside file may have changed since its item was loaded,
// so this is no bound for the bytes of a loaded buffer.
uint32_t GetResourceSize(ResourceCatalogue* catalogue, uint32_t group, int32_t item);
uint32_t GetGroupSize(const ResourceCatalogue* catalogue, uint32_t group);
// The archive index of an item (first + item; not checked against the
// group's end).
uint32_t GetResourceIndex(const ResourceCatalogue* catalogue, uint32_t group, int32_t item);

void UnloadResource(ResourceCatalogue* catalogue, uint32_t group, int32_t item);
int32_t UnloadGroup(ResourceCatalogue* catalogue, uint32_t group);
int32_t UnloadCatalogue(ResourceCatalogue* catalogue);

// Typed loading: 0 for placeholders, images and sounds (-1 when a PNG does
// not decode), the byte count for raw buffers.
int32_t LoadResourceByType(ResourceArchive* archive, uint32_t entry, ResourceHandle* handle,
                           uint32_t* type);
int32_t LoadRawResource(ResourceArchive* archive, uint32_t entry, uint8_t** buffer);
uint32_t ResolveResourceLink(const ResourceArchive* archive, uint32_t entry);
int32_t ResourceTypeInClass(uint32_t type, uint32_t typeClass);
int32_t LoadResourceChecked(ResourceArchive* archive, uint32_t* entry, ResourceHandle* handle,
                            uint32_t typeClass);
void FreeResourceByType(ResourceHandle* handle, uint32_t type);

// A UTF-16 text item, zero-terminated after its last whole code unit;
// free() it. Null when the resource is out of range.
char16_t* LoadResourceText(ResourceCatalogue* catalogue, uint32_t resourceNumber, uint32_t item);
