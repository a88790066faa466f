#include "media/mmlib.h"

#include <cstring>

MMlib::MMlib() : container_(new AsyncOGM()) {}

MMlib::~MMlib() {
    container_->Close();
    DeleteDecoders();
    delete container_;
}

void MMlib::DeleteDecoders() {
    delete video_;
    delete audio_;
    video_ = nullptr;
    audio_ = nullptr;
}

int32_t MMlib::OpenFile(const char* path) {
    if (path == nullptr || std::strlen(path) > MMLIB_MAX_PATH)
        return -1;
    char copy[MMLIB_MAX_PATH + 1];
    std::strcpy(copy, path); // the path may be our own, as in Reopen
    std::memset(&info_, 0, sizeof(info_));
    container_->Close();
    int32_t result = FinishOpen(MMLIB_SOURCE_FILE, container_->OpenFile(copy));
    if (result == 0)
        std::strcpy(path_, copy);
    return result;
}

int32_t MMlib::OpenArchiveEntry(ResourceArchive* archive, int32_t entry) {
    std::memset(&info_, 0, sizeof(info_));
    container_->Close();
    int32_t result = FinishOpen(MMLIB_SOURCE_ARCHIVE, container_->OpenArchiveEntry(archive, entry));
    if (result == 0) {
        archive_ = archive;
        entry_ = entry;
    }
    return result;
}

int32_t MMlib::OpenMemory(const uint8_t* data, int32_t size) {
    std::memset(&info_, 0, sizeof(info_));
    container_->Close();
    int32_t result = FinishOpen(MMLIB_SOURCE_MEMORY, container_->OpenMemory(data, size));
    if (result == 0) {
        data_ = data;
        size_ = size;
    }
    return result;
}

int32_t MMlib::FinishOpen(int32_t sourceKind, int32_t opened) {
    int32_t result = opened;
    if (result == 0) {
        openingKind_ = sourceKind;
        result = FindStreams();
    }
    if (result != 0) {
        // A half-made reader would decode a stream it never checked.
        DeleteDecoders();
        container_->Close();
        std::memset(&info_, 0, sizeof(info_));
        return result;
    }
    sourceKind_ = sourceKind;
    return 0;
}

int32_t MMlib::Reopen() {
    switch (sourceKind_) {
    case MMLIB_SOURCE_FILE:
        return OpenFile(path_);
    case MMLIB_SOURCE_ARCHIVE:
        return OpenArchiveEntry(archive_, entry_);
    case MMLIB_SOURCE_MEMORY:
        return OpenMemory(data_, size_);
    default:
        return -1;
    }
}

void MMlib::Close() {
    DeleteDecoders();
    container_->Close();
    std::memset(&info_, 0, sizeof(info_));
    sourceKind_ = MMLIB_SOURCE_NONE;
    archive_ = nullptr;
    data_ = nullptr;
    size_ = 0;
}

int32_t MMlib::FindStreams() {
    videoStream_ = -1;
    audioStream_ = -1;
    int32_t count = container_->GetStreamCount();
    for (int32_t i = 0; i < count && videoStream_ < 0; ++i)
        if (container_->GetStreamKind(i) == OGM_STREAM_VIDEO)
            videoStream_ = i;
    for (int32_t i = 0; i < count && audioStream_ < 0; ++i)
        if (container_->GetStreamKind(i) == OGM_STREAM_VORBIS)
            audioStream_ = i;
    info_.hasVideo = videoStream_ >= 0 ? 1 : 0;
    info_.hasAudio = audioStream_ >= 0 ? 1 : 0;
    DeleteDecoders();
    return CreateDecoders();
}

int32_t MMlib::CreateDecoders() {
    if (videoStream_ >= 0) {
        container_->SetRawMode(videoStream_, 0);
        video_ = new XVID();
        if (video_->Open(container_, videoStream_) != 0)
            return -1;
        video_->GetInfo(&info_.videoWidth, &info_.videoHeight, &info_.frameBytes, &info_.frameRate);
    }
    if (audioStream_ < 0)
        return 0;
    container_->SetRawMode(audioStream_, 1);
    if (openingKind_ != MMLIB_SOURCE_MEMORY && readAhead_ != 0)
        container_->EnableCache(audioStream_);
    audio_ = new VORBIS();
    if (audio_->Open(container_, audioStream_) != 0)
        return -1;
    audio_->GetInfo(&info_.audioChannels, &info_.audioRate);
    return 0;
}

int32_t MMlib::GetInfo(MediaInfo* info) const {
    *info = info_;
    return 0;
}

int32_t MMlib::ReadPCM(uint8_t* buffer, int32_t count, int32_t* delivered) {
    *delivered = 0;
    if (audio_ == nullptr)
        return -1;
    return audio_->Read(buffer, count, delivered);
}

int32_t MMlib::DecodeVideoFrame(uint8_t* frame) {
    if (video_ == nullptr)
        return -1;
    return video_->DecodeFrame(frame);
}

int32_t MMlib::Pump() {
    container_->RefillAll();
    return 0;
}
