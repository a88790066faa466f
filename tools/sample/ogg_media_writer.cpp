#include "tools/sample/ogg_media_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>
#include <xvid.h>

#include "engine/bytes.h"

namespace {

OggPacketData PacketFrom(const ogg_packet& packet, double time) {
    OggPacketData plan;
    plan.bytes.assign(packet.packet, packet.packet + packet.bytes);
    plan.granule = packet.granulepos;
    plan.time = time;
    return plan;
}

struct PageOut {
    double time;
    int32_t stream;
    std::vector<uint8_t> bytes;
};

void AppendPage(std::vector<uint8_t>* out, const ogg_page& page) {
    out->insert(out->end(), page.header, page.header + page.header_len);
    out->insert(out->end(), page.body, page.body + page.body_len);
}

std::vector<uint8_t> PageBytes(const ogg_page& page) {
    std::vector<uint8_t> bytes;
    AppendPage(&bytes, page);
    return bytes;
}

void FlushAll(ogg_stream_state* state, std::vector<uint8_t>* out) {
    ogg_page page;
    while (ogg_stream_flush(state, &page) != 0)
        AppendPage(out, page);
}

ogg_packet PacketOf(const OggPacketData& plan, int64_t number, bool bos, bool eos) {
    ogg_packet packet;
    std::memset(&packet, 0, sizeof(packet));
    packet.packet = const_cast<unsigned char*>(plan.bytes.data());
    packet.bytes = static_cast<long>(plan.bytes.size());
    packet.b_o_s = bos ? 1 : 0;
    packet.e_o_s = eos ? 1 : 0;
    packet.granulepos = plan.granule;
    packet.packetno = number;
    return packet;
}

// Pages of an unknown stream: identified as nothing by every reader.
void AppendJunkPages(std::vector<uint8_t>* out, int32_t count) {
    ogg_stream_state state;
    ogg_stream_init(&state, 0x7A7A7A7A);
    std::vector<uint8_t> junk(100, 0x55);
    for (int32_t i = 0; i < count; ++i) {
        OggPacketData plan;
        plan.bytes = junk;
        plan.granule = i;
        ogg_packet packet = PacketOf(plan, i, i == 0, false);
        ogg_stream_packetin(&state, &packet);
        FlushAll(&state, out);
    }
    ogg_stream_clear(&state);
}

} // namespace

PcmBuffer MakeTone(int32_t channels, int32_t rate, size_t frames, double frequency,
                   double amplitude, double rightFrequency) {
    PcmBuffer pcm;
    pcm.channels = channels;
    pcm.rate = rate;
    pcm.samples.resize(frames * static_cast<size_t>(channels));
    const double twoPi = 6.283185307179586;
    double right = rightFrequency > 0.0 ? rightFrequency : frequency;
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        for (int32_t c = 0; c < channels; ++c) {
            double f = c == 1 ? right : frequency;
            double v = amplitude * std::sin(twoPi * f * t);
            pcm.samples[i * channels + c] = static_cast<int16_t>(std::lround(v));
        }
    }
    return pcm;
}

OggStreamData EncodeVorbisStream(const PcmBuffer& pcm, uint32_t serial, float quality) {
    OggStreamData stream;
    stream.serial = serial;
    stream.headerPackets = 3;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, pcm.channels, pcm.rate, quality) != 0) {
        vorbis_info_clear(&info);
        return stream;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "ENCODER", "quillbury tests");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_packet headers[3];
    vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
    for (const ogg_packet& header : headers)
        stream.packets.push_back(PacketFrom(header, 0.0));

    auto drain = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                double time = packet.granulepos >= 0
                                  ? static_cast<double>(packet.granulepos) / pcm.rate
                                  : 0.0;
                stream.packets.push_back(PacketFrom(packet, time));
            }
        }
    };
    const size_t chunk = 4096;
    size_t frames = pcm.Frames();
    for (size_t at = 0; at < frames; at += chunk) {
        size_t n = std::min(chunk, frames - at);
        float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
        for (size_t i = 0; i < n; ++i)
            for (int32_t c = 0; c < pcm.channels; ++c)
                buffer[c][i] = pcm.samples[(at + i) * pcm.channels + c] / 32768.0f;
        vorbis_analysis_wrote(&dsp, static_cast<int>(n));
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain();

    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return stream;
}

FrameSource SolidColourFrames(const std::vector<uint32_t>& rgbColours, int32_t width,
                              int32_t height) {
    return [rgbColours, width, height](int32_t index, uint8_t* bgr) {
        uint32_t rgb = rgbColours.empty() ? 0 : rgbColours[index % rgbColours.size()];
        for (int32_t i = 0; i < width * height; ++i) {
            bgr[i * 3 + 0] = static_cast<uint8_t>(rgb);
            bgr[i * 3 + 1] = static_cast<uint8_t>(rgb >> 8);
            bgr[i * 3 + 2] = static_cast<uint8_t>(rgb >> 16);
        }
    };
}

std::vector<uint8_t> MakeOgmVideoHeader(const OgmVideoHeader& header) {
    std::vector<uint8_t> packet(57, 0);
    packet[0] = 0x01;
    std::memcpy(&packet[1], "video", 5);
    std::memcpy(&packet[9], "XVID", 4);
    PutI32LE(&packet[13], 56);
    PutU64LE(&packet[17], header.timeUnit);
    PutU64LE(&packet[25], header.samplesPerUnit);
    PutI32LE(&packet[33], 1);
    PutI32LE(&packet[37], 0x10000);
    PutI16LE(&packet[41], 24);
    PutI32LE(&packet[45], header.width);
    PutI32LE(&packet[49], header.height);
    packet.resize(static_cast<size_t>(std::max(0, header.length)), 0);
    return packet;
}

OggStreamData EncodeXvidStream(const VideoStreamOptions& options, uint32_t serial) {
    OggStreamData stream;
    stream.serial = serial;
    stream.pagePerPacket = true;
    OgmVideoHeader header;
    header.timeUnit = options.headerTimeUnit >= 0 ? static_cast<uint64_t>(options.headerTimeUnit)
                                                  : 10000000ull / options.fps;
    header.width =
        static_cast<int32_t>(options.headerWidth >= 0 ? options.headerWidth : options.width);
    header.height =
        static_cast<int32_t>(options.headerHeight >= 0 ? options.headerHeight : options.height);
    header.length = options.headerLength;
    OggPacketData first;
    first.bytes = MakeOgmVideoHeader(header);
    stream.packets.push_back(first);
    stream.headerPackets = 1;
    if (options.comment) {
        OggPacketData comment;
        comment.bytes = {0x03, 'n', 'o', ' ', 't', 'a', 'g', 's'};
        stream.packets.push_back(comment);
        stream.headerPackets = 2;
    }

    xvid_gbl_init_t init;
    std::memset(&init, 0, sizeof(init));
    init.version = XVID_VERSION;
    xvid_global(nullptr, XVID_GBL_INIT, &init, nullptr);
    xvid_enc_create_t create;
    std::memset(&create, 0, sizeof(create));
    create.version = XVID_VERSION;
    create.width = options.width;
    create.height = options.height;
    create.fincr = 1;
    create.fbase = options.fps;
    create.max_bframes = options.maxBFrames;
    // xvidcore's own defaults; it divides by the ratio.
    create.bquant_ratio = 150;
    create.bquant_offset = 100;
    create.max_key_interval = 300;
    if (xvid_encore(nullptr, XVID_ENC_CREATE, &create, nullptr) < 0)
        return stream;

    size_t frameBytes = static_cast<size_t>(options.width) * options.height * 3;
    std::vector<uint8_t> picture(frameBytes);
    std::vector<uint8_t> bitstream(frameBytes * 2 + 65536);
    // With B-frames the encoder holds pictures back: calls without input
    // after the last picture take out what it still holds.
    int32_t written = 0;
    auto encode = [&](int32_t index, bool flushing) {
        if (options.source && !flushing)
            options.source(index, picture.data());
        xvid_enc_frame_t frame;
        std::memset(&frame, 0, sizeof(frame));
        frame.version = XVID_VERSION;
        frame.bitstream = bitstream.data();
        frame.length = static_cast<int>(bitstream.size());
        frame.input.csp = flushing ? XVID_CSP_NULL : XVID_CSP_BGR;
        frame.input.plane[0] = flushing ? nullptr : picture.data();
        frame.input.stride[0] = options.width * 3;
        frame.vop_flags = XVID_VOP_HALFPEL;
        frame.type = index == 0 ? XVID_TYPE_IVOP : XVID_TYPE_AUTO;
        // Left to itself the encoder finds no use for B-frames in test
        // pictures: between reference pictures they are asked for.
        if (options.maxBFrames > 0 && index > 0 && !flushing)
            frame.type = index % (options.maxBFrames + 1) == 0 ? XVID_TYPE_PVOP : XVID_TYPE_BVOP;
        frame.quant = options.quant;
        xvid_enc_stats_t stats;
        std::memset(&stats, 0, sizeof(stats));
        stats.version = XVID_VERSION;
        int size = xvid_encore(create.handle, XVID_ENC_ENCODE, &frame, &stats);
        if (size <= 0)
            return false;
        OggPacketData packet;
        packet.bytes.push_back((frame.out_flags & XVID_KEYFRAME) != 0 ? 0x08 : 0x00);
        packet.bytes.insert(packet.bytes.end(), bitstream.begin(), bitstream.begin() + size);
        packet.granule = written;
        packet.time = static_cast<double>(written) / options.fps;
        stream.packets.push_back(packet);
        ++written;
        return true;
    };
    for (int32_t i = 0; i < options.frames; ++i)
        encode(i, false);
    for (int32_t i = 0; i < options.maxBFrames + 1 && options.maxBFrames > 0; ++i)
        if (!encode(options.frames + i, true))
            break;
    xvid_encore(create.handle, XVID_ENC_DESTROY, nullptr, nullptr);
    return stream;
}

std::vector<uint8_t> MuxOgg(const std::vector<OggStreamData>& streams, const MuxFaults& faults) {
    std::vector<uint8_t> out;
    AppendJunkPages(&out, faults.leadingJunkPages);
    std::vector<ogg_stream_state> states(streams.size());
    for (size_t s = 0; s < streams.size(); ++s)
        ogg_stream_init(&states[s], static_cast<int>(streams[s].serial));

    // The identification packets, each alone on its stream's first page.
    for (size_t s = 0; s < streams.size(); ++s) {
        if (streams[s].packets.empty())
            continue;
        ogg_packet packet =
            PacketOf(streams[s].packets[0], 0, true, streams[s].packets.size() == 1);
        ogg_stream_packetin(&states[s], &packet);
        FlushAll(&states[s], &out);
    }
    for (size_t s = 0; s < streams.size(); ++s) {
        const OggStreamData& plan = streams[s];
        int32_t headers =
            std::min<int32_t>(plan.headerPackets, static_cast<int32_t>(plan.packets.size()));
        for (int32_t p = 1; p < headers; ++p) {
            ogg_packet packet = PacketOf(plan.packets[p], p, false,
                                         static_cast<size_t>(p) + 1 == plan.packets.size());
            ogg_stream_packetin(&states[s], &packet);
        }
        FlushAll(&states[s], &out);
    }

    std::vector<PageOut> pages;
    for (size_t s = 0; s < streams.size(); ++s) {
        const OggStreamData& plan = streams[s];
        ogg_page page;
        for (size_t p = std::max<size_t>(1, plan.headerPackets); p < plan.packets.size(); ++p) {
            bool last = p + 1 == plan.packets.size();
            ogg_packet packet = PacketOf(plan.packets[p], static_cast<int64_t>(p), false, last);
            ogg_stream_packetin(&states[s], &packet);
            double time = plan.packets[p].time;
            if (plan.pagePerPacket || last) {
                while (ogg_stream_flush(&states[s], &page) != 0)
                    pages.push_back({time, static_cast<int32_t>(s), PageBytes(page)});
            } else {
                while (ogg_stream_pageout(&states[s], &page) != 0)
                    pages.push_back({time, static_cast<int32_t>(s), PageBytes(page)});
            }
        }
    }
    std::stable_sort(pages.begin(), pages.end(),
                     [](const PageOut& a, const PageOut& b) { return a.time < b.time; });
    for (const PageOut& page : pages)
        out.insert(out.end(), page.bytes.begin(), page.bytes.end());
    for (ogg_stream_state& state : states)
        ogg_stream_clear(&state);

    if (faults.badCapture && out.size() >= 4)
        std::memcpy(out.data(), "OggT", 4);
    out.resize(out.size() - std::min(faults.truncateBy, out.size()));
    return out;
}

std::vector<OggPageBytes> SplitOggPages(const std::vector<uint8_t>& file) {
    std::vector<OggPageBytes> pages;
    size_t at = 0;
    while (at + 27 <= file.size() && std::memcmp(&file[at], "OggS", 4) == 0) {
        size_t segments = file[at + 26];
        if (at + 27 + segments > file.size())
            break;
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i)
            body += file[at + 27 + i];
        size_t headerEnd = at + 27 + segments;
        if (headerEnd + body > file.size())
            break;
        OggPageBytes page;
        page.serial = GetU32LE(&file[at + 14]);
        page.header.assign(file.begin() + at, file.begin() + headerEnd);
        page.body.assign(file.begin() + headerEnd, file.begin() + headerEnd + body);
        pages.push_back(page);
        at = headerEnd + body;
    }
    return pages;
}

std::vector<uint8_t> StreamPayload(const std::vector<uint8_t>& file, uint32_t serial) {
    std::vector<uint8_t> out;
    for (const OggPageBytes& page : SplitOggPages(file))
        if (page.serial == serial)
            out.insert(out.end(), page.body.begin(), page.body.end());
    return out;
}

std::vector<uint8_t> StreamPages(const std::vector<uint8_t>& file, uint32_t serial) {
    std::vector<uint8_t> out;
    for (const OggPageBytes& page : SplitOggPages(file)) {
        if (page.serial != serial)
            continue;
        out.insert(out.end(), page.header.begin(), page.header.end());
        out.insert(out.end(), page.body.begin(), page.body.end());
    }
    return out;
}

std::vector<uint8_t> WriteOggVorbis(const PcmBuffer& pcm, float quality) {
    return MuxOgg({EncodeVorbisStream(pcm, 0x1001, quality)});
}

std::vector<uint8_t> WriteOgmMovie(const VideoStreamOptions& video, const PcmBuffer* audio,
                                   const MuxFaults& faults) {
    std::vector<OggStreamData> streams;
    streams.push_back(EncodeXvidStream(video, 0x2001));
    if (audio != nullptr)
        streams.push_back(EncodeVorbisStream(*audio, 0x2002));
    return MuxOgg(streams, faults);
}

bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::vector<uint8_t> ReadBytesFromFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    uint8_t chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    return bytes;
}
