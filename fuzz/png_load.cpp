// Fuzzes PNG decoding of an archive entry, stored plain or compressed.
#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "engine/archive.h"
#include "engine/resource_stream.h"
#include "graphics/image.h"
#include "tools/sample/archive_builder.h"

// Reading the first and last pixel lets the sanitizer check the image's size.
volatile uint32_t gTouched;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    std::vector<uint8_t> png(data + 1, data + size);
    ArchiveBuilder builder;
    ArchiveEntrySpec spec = PlainEntry(static_cast<uint8_t>(RES_TYPE_PNG), png);
    if (data[0] & 1)
        spec.storage = EntryStorage::CompressedLiteral;
    builder.Add(spec);
    std::vector<uint8_t> file = builder.Build();

    int fd = memfd_create("fuzz_png", 0);
    if (fd < 0)
        return 0;
    if (write(fd, file.data(), file.size()) == static_cast<ssize_t>(file.size())) {
        char path[64];
        std::snprintf(path, sizeof(path), "/proc/self/fd/%d", fd);
        ResourceArchive archive{};
        if (OpenArchive(&archive, path)) {
            Image* image = nullptr;
            if (LoadPngResource(&image, &archive, 0) && image != nullptr && image->pixels) {
                size_t last = size_t(image->width) * image->height - 1;
                gTouched = image->pixels[0] ^ image->pixels[last];
            }
            FreeImage(&image);
            CloseArchive(&archive);
        }
    }
    close(fd);
    return 0;
}
