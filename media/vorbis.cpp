#include "media/vorbis.h"

#include <climits>
#include <cstring>

VORBIS::VORBIS() {
    callbacks_.read_func = ReadCallback;
    callbacks_.seek_func = SeekCallback;
    callbacks_.close_func = CloseCallback;
    callbacks_.tell_func = nullptr;
}

VORBIS::~VORBIS() {
    Close();
}

size_t VORBIS::ReadCallback(void* ptr, size_t size, size_t count, void* source) {
    DataSource* data = static_cast<DataSource*>(source);
    if (data == nullptr || data->container == nullptr || size == 0)
        return 0;
    size_t bytes = size * count;
    if (count != 0 && bytes / count != size)
        return 0;
    if (bytes > INT32_MAX)
        bytes = INT32_MAX;
    int32_t got = data->container->Read(data->stream, static_cast<uint8_t*>(ptr),
                                        static_cast<int32_t>(bytes));
    return got > 0 ? static_cast<size_t>(got) / size : 0;
}

// The stream cannot seek: libvorbisfile then reads it strictly forward.
int VORBIS::SeekCallback(void*, ogg_int64_t, int) {
    return -1;
}

// The container belongs to the reader, not to libvorbisfile.
int VORBIS::CloseCallback(void*) {
    return 0;
}

int32_t VORBIS::Open(AsyncOGM* container, int32_t stream) {
    source_.container = container;
    source_.stream = stream;
    Close();
    if (OpenStream() != 0) {
        Close();
        return -1;
    }
    return 0;
}

int32_t VORBIS::OpenStream() {
    if (ov_open_callbacks(&source_, &file_, nullptr, 0, callbacks_) != 0) {
        // A failed open leaves nothing to clear.
        std::memset(&file_, 0, sizeof(file_));
        return -1;
    }
    open_ = 1;
    vorbis_info* info = ov_info(&file_, 0);
    // Only mono and stereo fit the stereo mix buffer.
    if (info == nullptr || info->channels < 1 || info->channels > 2)
        return -1;
    channels_ = info->channels;
    rate_ = static_cast<int32_t>(info->rate);
    return 0;
}

void VORBIS::Close() {
    if (open_ != 0)
        ov_clear(&file_);
    open_ = 0;
    channels_ = 0;
    rate_ = 0;
    bitstream_ = 0;
}

int32_t VORBIS::GetInfo(int32_t* channels, int32_t* rate) const {
    if (open_ == 0)
        return -1;
    *channels = channels_;
    *rate = rate_;
    return 0;
}

int32_t VORBIS::Read(uint8_t* buffer, int32_t count, int32_t* delivered) {
    if (open_ == 0)
        return -1;
    *delivered = 0;
    long r = 0;
    if (channels_ == 2) {
        r = ov_read(&file_, reinterpret_cast<char*>(buffer), count & ~3, 0, 2, 1, &bitstream_);
    } else {
        // Decode into the first half, then widen from the back so that no
        // sample is overwritten before it is copied.
        int32_t frames = count / 4;
        r = ov_read(&file_, reinterpret_cast<char*>(buffer), frames * 2, 0, 2, 1, &bitstream_);
        for (long i = r / 2 - 1; i >= 0; --i) {
            uint8_t lo = buffer[i * 2];
            uint8_t hi = buffer[i * 2 + 1];
            buffer[i * 4] = lo;
            buffer[i * 4 + 1] = hi;
            buffer[i * 4 + 2] = lo;
            buffer[i * 4 + 3] = hi;
        }
        if (r > 0)
            r *= 2;
    }
    if (r == 0)
        return 1;
    if (r < 0)
        return -1;
    *delivered = static_cast<int32_t>(r);
    return 0;
}
