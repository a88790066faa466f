// Vorbis audio through libvorbisfile, reading one stream of an AsyncOGM as
// an unseekable Ogg file. Output is always 16-bit signed little-endian
// stereo: a mono source is widened in place.
#pragma once

#include <cstdint>
#include <vorbis/vorbisfile.h>

#include "media/async_ogm.h"

class VORBIS {
public:
    VORBIS();
    virtual ~VORBIS();
    VORBIS(const VORBIS&) = delete;
    VORBIS& operator=(const VORBIS&) = delete;

    int32_t Open(AsyncOGM* container, int32_t stream);
    void Close();
    int32_t GetInfo(int32_t* channels, int32_t* rate) const;
    // 0 data, 1 end, -1 error. `count` should be a multiple of 4 (one
    // stereo frame); the remainder is never filled.
    int32_t Read(uint8_t* buffer, int32_t count, int32_t* delivered);

    static size_t ReadCallback(void* ptr, size_t size, size_t count, void* source);

private:
    struct DataSource {
        AsyncOGM* container;
        int32_t stream;
    };

    int32_t OpenStream();
    static int SeekCallback(void* source, ogg_int64_t offset, int whence);
    static int CloseCallback(void* source);

    int32_t open_ = 0;
    DataSource source_{nullptr, -1};
    ov_callbacks callbacks_{};
    OggVorbis_File file_{};
    int32_t channels_ = 0;
    int32_t rate_ = 0;
    int bitstream_ = 0;
};
