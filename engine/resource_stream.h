// Sequential reading of one archive entry, whatever its storage, with skip,
// seek, rewind and tell; and PNG entries decoded into 32-bit images.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/archive.h"
#include "engine/lzw.h"

struct Image;

struct ResourceStream {
    uint32_t entry;
    ResourceArchive* archive;
    int32_t ok; // 0 after a failed open of an outside file
    uint32_t size;
    uint8_t compressed;
    uint8_t external;
    FILE* externalFile;
    LzwInput input;   // compressed entries only
    uint8_t* cursor;  // read cursor into input.buffer
    LzwState decoder; // compressed entries only
    uint32_t position;
};

// 1 when the stream is ready; 0 for a closed archive, a bad index, a link or
// a missing outside file.
int32_t OpenResourceStream(ResourceArchive* archive, ResourceStream* stream, uint32_t entry);
void CloseResourceStream(ResourceStream* stream);

// Up to `n` bytes into `buffer` (null: skip them); the bytes read or skipped.
uint32_t ReadResourceStream(ResourceStream* stream, void* buffer, int32_t n);
void RewindResourceStream(ResourceStream* stream);
// whence 0: from the start; 1: from the current position. 1 or 0.
int32_t SeekResourceStream(ResourceStream* stream, int32_t offset, int32_t whence);
uint32_t TellResourceStream(const ResourceStream* stream);
// Times any compressed stream went back to decode its entry again from the
// start (a rewind or a backward seek), since the program began: a reader
// that keeps doing so costs time quadratic in the entry's size.
uint64_t ResourceStreamDecoderRestarts();

// Decodes a PNG entry (type 8) into a new IMAGE_FMT_32 image stored through
// `image` (null on failure). 1 or 0. Another entry type is fatal.
int32_t LoadPngResource(Image** image, ResourceArchive* archive, uint32_t entry);
