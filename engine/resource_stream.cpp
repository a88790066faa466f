// Streams over archive entries, and PNG entries decoded through libpng.
#include "engine/resource_stream.h"

#include <atomic>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <png.h>

#include "engine/helpers.h"
#include "graphics/image.h"

namespace {

// Relaxed: the count is only read once the readers have stopped.
std::atomic<uint64_t> gDecoderRestarts{0};

bool StreamUsable(const ResourceStream* stream) {
    return stream != nullptr && stream->ok && stream->archive != nullptr && stream->archive->isOpen;
}

void RestartDecoder(ResourceStream* stream) {
    gDecoderRestarts.fetch_add(1, std::memory_order_relaxed);
    LzwDictReset(&stream->decoder);
    stream->input.bufferPos = stream->input.start;
    stream->input.filled = 0;
    LzwInputRefill(&stream->input);
    stream->cursor = stream->input.buffer;
}

uint32_t ReadExternal(ResourceStream* stream, void* buffer, uint32_t k) {
    if (buffer == nullptr)
        return std::fseek(stream->externalFile, static_cast<long>(k), SEEK_CUR) == 0 ? k : 0;
    return static_cast<uint32_t>(std::fread(buffer, 1, k, stream->externalFile));
}

uint32_t ReadCompressed(ResourceStream* stream, void* buffer, uint32_t k) {
    LzwSetOutput(&stream->decoder, static_cast<uint8_t*>(buffer));
    return LzwDecode(&stream->decoder, &stream->input, &stream->cursor, static_cast<int32_t>(k));
}

uint32_t ReadPlain(ResourceStream* stream, void* buffer, uint32_t k) {
    if (buffer == nullptr)
        return k;
    uint32_t offset = GetEntryOffset(stream->archive, stream->entry) + stream->position;
    return ReadArchiveBytes(stream->archive, buffer, offset, k);
}

// Skips forward in pieces an i32 request can carry.
void SkipForward(ResourceStream* stream, uint64_t count) {
    while (count > 0) {
        int32_t piece = count > 0x40000000u ? 0x40000000 : static_cast<int32_t>(count);
        uint32_t got = ReadResourceStream(stream, nullptr, piece);
        if (got == 0)
            return;
        count -= got;
    }
}

} // namespace

int32_t OpenResourceStream(ResourceArchive* archive, ResourceStream* stream, uint32_t entry) {
    std::memset(stream, 0, sizeof(*stream));
    if (archive == nullptr || !archive->isOpen || entry >= GetEntryCount(archive) ||
        GetEntryType(archive, entry) == RES_TYPE_LINK)
        return 0;
    stream->entry = entry;
    stream->archive = archive;
    stream->ok = 1;
    stream->size = GetEntrySize(archive, entry);
    stream->compressed = IsEntryCompressed(archive, entry) ? 1 : 0;
    stream->external = IsEntryExternal(archive, entry) ? 1 : 0;
    if (stream->external) {
        stream->externalFile = OpenExternalFile(archive, entry);
        if (stream->externalFile == nullptr) {
            stream->ok = 0;
            return 0;
        }
    } else if (stream->compressed) {
        LzwInputInit(&stream->input, archive, entry);
        LzwInputRefill(&stream->input);
        stream->cursor = stream->input.buffer;
        LzwDictInit(&stream->decoder, nullptr);
    }
    return 1;
}

void CloseResourceStream(ResourceStream* stream) {
    if (stream == nullptr)
        return;
    if (stream->externalFile != nullptr) {
        std::fclose(stream->externalFile);
        stream->externalFile = nullptr;
    }
    LzwDictFree(&stream->decoder);
    LzwInputFree(&stream->input);
    stream->cursor = nullptr;
    stream->ok = 0;
}

uint32_t ReadResourceStream(ResourceStream* stream, void* buffer, int32_t n) {
    if (!StreamUsable(stream) || n <= 0 || stream->position >= stream->size)
        return 0;
    uint32_t remaining = stream->size - stream->position;
    uint32_t k = static_cast<uint32_t>(n) < remaining ? static_cast<uint32_t>(n) : remaining;
    if (stream->external)
        k = ReadExternal(stream, buffer, k);
    else if (stream->compressed)
        k = ReadCompressed(stream, buffer, k);
    else
        k = ReadPlain(stream, buffer, k);
    stream->position += k;
    return k;
}

void RewindResourceStream(ResourceStream* stream) {
    // A stream whose outside file never opened has nothing to rewind.
    if (!StreamUsable(stream))
        return;
    stream->position = 0;
    if (stream->external)
        std::fseek(stream->externalFile, 0, SEEK_SET);
    else if (stream->compressed)
        RestartDecoder(stream);
}

int32_t SeekResourceStream(ResourceStream* stream, int32_t offset, int32_t whence) {
    if (!StreamUsable(stream))
        return 0;
    if (whence == SEEK_SET) {
        bool valid = offset >= 0 && static_cast<uint32_t>(offset) <= stream->size;
        // Forward from here costs a compressed entry no decode from its start.
        if (valid && static_cast<uint32_t>(offset) >= stream->position) {
            SkipForward(stream, static_cast<uint64_t>(offset) - stream->position);
            return 1;
        }
        RewindResourceStream(stream);
        if (!valid)
            return 0;
        SkipForward(stream, static_cast<uint64_t>(offset));
        return 1;
    }
    if (whence != SEEK_CUR)
        return 0;
    if (offset < 0) {
        int64_t target = static_cast<int64_t>(stream->position) + offset;
        RewindResourceStream(stream);
        if (target < 0)
            return 0;
        SkipForward(stream, static_cast<uint64_t>(target));
        return 1;
    }
    if (static_cast<uint32_t>(offset) > stream->size)
        return 0;
    SkipForward(stream, static_cast<uint64_t>(offset));
    return 1;
}

uint32_t TellResourceStream(const ResourceStream* stream) {
    return StreamUsable(stream) ? stream->position : 0;
}

uint64_t ResourceStreamDecoderRestarts() {
    return gDecoderRestarts.load(std::memory_order_relaxed);
}

// ---- PNG ---------------------------------------------------------------------

namespace {

constexpr uint32_t kPngMaxSide = 0xFFFF;
constexpr size_t kPngSignatureSize = 8;
// Deflate never expands more than about 1032:1; a header that promises more
// than its data could hold is a lie, refused before allocating.
constexpr uint64_t kMaxInflateRatio = 1100;
// Pictures up to 4096 x 4096 are believed whatever their file's size: flat
// masks and backgrounds at low depths compress beyond the ratio once
// weighed at four bytes a pixel.
constexpr uint64_t kAlwaysPlausibleBytes = 4096ull * 4096 * 4;

// Everything the decode touches lives here, not in locals of the function
// that calls setjmp, so a longjmp out of libpng leaves nothing stale.
struct PngJob {
    ResourceStream stream;
    png_structp png;
    png_infop info;
    png_infop endInfo;
    Image* image;
    png_bytep* rows;
};

void PngReadCallback(png_structp png, png_bytep data, png_size_t n) {
    ResourceStream* stream = static_cast<ResourceStream*>(png_get_io_ptr(png));
    if (n > 0x7FFFFFFF || ReadResourceStream(stream, data, static_cast<int32_t>(n)) != n)
        png_error(png, "short read");
}

void PngWarningCallback(png_structp, png_const_charp) {}

[[noreturn]] void PngErrorCallback(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void SetTransforms(png_structp png, png_infop info) {
    int bitDepth = png_get_bit_depth(png, info);
    int colourType = png_get_color_type(png, info);
    png_set_packing(png);
    png_set_bgr(png);
    if (bitDepth < 8 || colourType == PNG_COLOR_TYPE_PALETTE ||
        png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

bool HeaderIsPlausible(png_structp png, png_infop info, uint32_t dataSize) {
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > kPngMaxSide || height > kPngMaxSide)
        return false;
    // Weighed at the four bytes a pixel the decoded image takes, not at the
    // file's packed depth: a few kilobytes of 1-bit data would otherwise
    // buy gigabytes.
    uint64_t imageBytes = static_cast<uint64_t>(width) * height * 4;
    return imageBytes <= kAlwaysPlausibleBytes || imageBytes <= kMaxInflateRatio * dataSize;
}

// 3-byte pixels read packed at the start of the buffer become 4-byte pixels
// with alpha 255, from the last to the first so nothing is overwritten early.
void WidenToFourBytes(uint8_t* pixels, size_t count) {
    for (size_t i = count; i-- > 0;) {
        const uint8_t* from = pixels + i * 3;
        uint8_t* to = pixels + i * 4;
        uint8_t b = from[0], g = from[1], r = from[2];
        to[0] = b;
        to[1] = g;
        to[2] = r;
        to[3] = 255;
    }
}

int32_t DecodePng(PngJob* job) {
    if (setjmp(png_jmpbuf(job->png)))
        return 0;
    png_set_read_fn(job->png, &job->stream, PngReadCallback);
    png_set_sig_bytes(job->png, static_cast<int>(kPngSignatureSize));
    png_read_info(job->png, job->info);
    if (!HeaderIsPlausible(job->png, job->info, job->stream.size))
        return 0;
    SetTransforms(job->png, job->info);
    png_uint_32 width = png_get_image_width(job->png, job->info);
    png_uint_32 height = png_get_image_height(job->png, job->info);
    size_t rowBytes = png_get_rowbytes(job->png, job->info);
    int channels = png_get_channels(job->png, job->info);
    if ((channels != 3 && channels != 4) || rowBytes != static_cast<size_t>(width) * channels)
        return 0;
    job->image =
        CreateImage(static_cast<int32_t>(width), static_cast<int32_t>(height), IMAGE_FMT_32);
    if (job->image == nullptr || job->image->pixels == nullptr)
        return 0;
    job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (job->rows == nullptr)
        return 0;
    uint8_t* pixels = reinterpret_cast<uint8_t*>(job->image->pixels);
    for (png_uint_32 y = 0; y < height; ++y)
        job->rows[y] = pixels + static_cast<size_t>(y) * rowBytes;
    png_read_image(job->png, job->rows);
    png_read_end(job->png, job->endInfo);
    if (channels == 3)
        WidenToFourBytes(pixels, static_cast<size_t>(width) * height);
    return 1;
}

int32_t FinishPngJob(PngJob* job, Image** image, int32_t ok) {
    std::free(job->rows);
    png_destroy_read_struct(&job->png, &job->info, &job->endInfo);
    CloseResourceStream(&job->stream);
    if (!ok)
        FreeImage(&job->image);
    *image = job->image;
    return ok;
}

bool HasPngSignature(ResourceStream* stream) {
    png_byte signature[kPngSignatureSize];
    return ReadResourceStream(stream, signature, kPngSignatureSize) == kPngSignatureSize &&
           png_sig_cmp(signature, 0, kPngSignatureSize) == 0;
}

} // namespace

int32_t LoadPngResource(Image** image, ResourceArchive* archive, uint32_t entry) {
    *image = nullptr;
    if (GetEntryType(archive, entry) != RES_TYPE_PNG)
        FatalMessage("Try load resource unsupported type as PNG");
    PngJob* job = static_cast<PngJob*>(ZAlloc(sizeof(PngJob)));
    int32_t ok = 0;
    if (OpenResourceStream(archive, &job->stream, entry) && HasPngSignature(&job->stream)) {
        job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorCallback,
                                          PngWarningCallback);
        if (job->png != nullptr) {
            job->info = png_create_info_struct(job->png);
            job->endInfo = png_create_info_struct(job->png);
        }
        if (job->info != nullptr && job->endInfo != nullptr)
            ok = DecodePng(job);
    }
    ok = FinishPngJob(job, image, ok);
    std::free(job);
    return ok;
}
