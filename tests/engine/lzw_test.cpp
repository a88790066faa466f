// The dictionary coder: reference vectors, pruning, and round trips through
// the test encoder read whole, in small requests and with skips.
#include <gtest/gtest.h>

#include <string>

#include "engine/archive.h"
#include "engine/lzw.h"
#include "tests/engine/archive_test_util.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/lzw_encoder.h"

namespace {

std::vector<uint8_t> Hex(std::initializer_list<int> bytes) {
    std::vector<uint8_t> out;
    for (int b : bytes)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

// An archive whose entry 0 is `stored` marked compressed with unpacked size
// `size`.
std::vector<uint8_t> RawCompressedArchive(const std::vector<uint8_t>& stored, uint32_t size) {
    ArchiveBuilder builder;
    ArchiveEntrySpec spec = PlainEntry(3, stored);
    spec.extraFlags = ENTRY_FLAG_COMPRESSED;
    spec.sizeField = size;
    builder.Add(spec);
    return builder.Build();
}

// Decodes entry 0 with requests of `step` bytes (0: one request for all).
std::vector<uint8_t> DecodeInSteps(ResourceArchive* archive, uint32_t size, uint32_t step) {
    LzwInput input;
    LzwState state;
    LzwInputInit(&input, archive, 0);
    LzwInputRefill(&input);
    uint8_t* cursor = input.buffer;
    LzwDictInit(&state, nullptr);
    std::vector<uint8_t> out(size);
    uint32_t done = 0;
    while (done < size) {
        uint32_t want = step == 0 ? size - done : std::min(step, size - done);
        LzwSetOutput(&state, out.data() + done);
        uint32_t got = LzwDecode(&state, &input, &cursor, static_cast<int32_t>(want));
        EXPECT_LE(got, want);
        done += got;
        if (got < want)
            break;
    }
    out.resize(done);
    LzwDictFree(&state);
    LzwInputFree(&input);
    return out;
}

struct ReferenceVector {
    std::string input;
    std::vector<int32_t> values;
    std::vector<uint8_t> stored;
};

std::vector<ReferenceVector> ReferenceVectors() {
    return {
        {"", {256}, Hex({0x80, 0x00})},
        {"A", {65, 256}, Hex({0x20, 0x80, 0x00})},
        {"\xFF", {255, 256}, Hex({0x7F, 0xC0, 0x00})},
        {"AB", {65, 66, 256}, Hex({0xA1, 0x21, 0x40, 0x00})},
        {"ABABABA", {65, 66, 257, 259, 256}, Hex({0xA1, 0x21, 0x40, 0x20, 0x30, 0x00})},
        {"aaaaaaaaaa", {97, 257, 258, 259, 256}, Hex({0x30, 0x80, 0x40, 0x40, 0x30, 0x00})},
        {"TOBEORNOTTOBEORTOBEORNOT", {}, Hex({0xAA, 0xA7, 0x90, 0x88, 0xA4, 0xF2, 0x91,
                                              0x38, 0x9E, 0x54, 0x80, 0x40, 0x60, 0x50,
                                              0x50, 0x10, 0x0C, 0x08, 0x00, 0x00})},
    };
}

TEST(LzwReference, EncoderChoosesTheReferenceValues) {
    for (const ReferenceVector& v : ReferenceVectors()) {
        std::vector<uint8_t> input(v.input.begin(), v.input.end());
        std::vector<LzwChoice> choices = LzwChooseValues(input.data(), input.size(), false);
        if (!v.values.empty()) {
            std::vector<int32_t> values;
            for (const LzwChoice& c : choices)
                values.push_back(c.value);
            EXPECT_EQ(values, v.values) << v.input;
        } else {
            EXPECT_EQ(choices.size(), 17u) << v.input;
        }
        EXPECT_EQ(LzwEncode(input), v.stored) << v.input;
    }
}

TEST(LzwReference, DecoderReadsTheReferenceBytes) {
    for (const ReferenceVector& v : ReferenceVectors()) {
        OpenedArchive archive(RawCompressedArchive(v.stored, uint32_t(v.input.size())));
        ASSERT_TRUE(archive.opened());
        std::vector<uint8_t> expected(v.input.begin(), v.input.end());
        EXPECT_EQ(ReadWholeEntry(archive.get(), 0), expected) << v.input;
        EXPECT_EQ(DecodeInSteps(archive.get(), uint32_t(v.input.size()), 1), expected);
    }
}

TEST(LzwPruning, KeepsPrefixNodesUnderCompactNumbers) {
    std::vector<LzwNode> nodes(LZW_DICT_SIZE);
    for (uint32_t i = 0; i <= LZW_END_CODE; ++i) {
        uint8_t ch = static_cast<uint8_t>(i & 0xFF);
        nodes[i] = LzwNode{ch, ch, 1, LZW_END_CODE, LZW_END_CODE, 0};
    }
    for (uint32_t i = 257; i < LZW_DICT_SIZE; ++i)
        LzwSetNode(nodes.data(), i, 'z', 'z');
    LzwSetNode(nodes.data(), 500, 'a', 'x');
    LzwSetNode(nodes.data(), 700, 500, 'y');
    LzwSetNode(nodes.data(), 800, 500, 'k');
    LzwSetNode(nodes.data(), 900, 700, 'z');
    LzwSetNode(nodes.data(), 950, 'b', 'q');
    LzwSetNode(nodes.data(), 1000, 900, 'w');
    LzwSetNode(nodes.data(), 1001, 950, 'r');
    LzwSetNode(nodes.data(), 1002, 800, 'm');
    int32_t n = 1024;
    int32_t w = 11;
    LzwPrune(nodes.data(), &n, &w);
    EXPECT_EQ(n, 261);
    EXPECT_EQ(w, 9);
    auto text = [&](uint32_t code) {
        std::string s;
        for (; code != LZW_END_CODE; code = nodes[code].prefix)
            s.insert(s.begin(), static_cast<char>(nodes[code].ch));
        return s;
    };
    EXPECT_EQ(text(257), "ax");
    EXPECT_EQ(text(258), "bq");
    EXPECT_EQ(text(259), "axy");
    EXPECT_EQ(text(260), "axyz");
    EXPECT_EQ(text(261), "axk");
    for (uint32_t code = 257; code <= 261; ++code) {
        EXPECT_EQ(nodes[code].length, text(code).size());
        EXPECT_EQ(nodes[code].first, static_cast<uint8_t>(text(code)[0]));
        EXPECT_EQ(nodes[code].link, LZW_END_CODE);
    }
}

// The pruning exactly as the format describes it, one `link` field doing
// every job, to check the engine's faster version against.
void ReferencePrune(std::vector<LzwNode>& nodes, int32_t* nextCode, int32_t* codeWidth) {
    const uint32_t kNone = LZW_END_CODE;
    uint32_t n = 1024;
    for (uint32_t i = 1023; i >= 257; --i) {
        uint32_t p = nodes[i].prefix;
        if (nodes[p].link == kNone)
            nodes[p].link = 0;
        if (nodes[i].link == kNone) {
            nodes[i].link = 0;
            n = std::min(n, i);
        } else {
            if (nodes[i].link == 0)
                nodes[i].link = kNone;
            if (nodes[p].link == 0)
                nodes[p].link = kNone;
            nodes[i].prefix = nodes[p].link;
            nodes[p].link = i;
        }
    }
    for (uint32_t i = 0; i <= 256; ++i)
        if (nodes[i].link == 0)
            nodes[i].link = kNone;
    auto advance = [&] {
        do
            ++n;
        while (n < 1024 && nodes[n].link != 0);
    };
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t l = nodes[i].link;
        if (l != kNone && l > n) {
            nodes[n] = nodes[l];
            nodes[i].link = n;
            nodes[l].link = 0;
            advance();
        }
        uint32_t m = nodes[i].prefix;
        if (m != kNone && m > n) {
            nodes[n] = nodes[m];
            nodes[i].prefix = n;
            nodes[m].link = 0;
            advance();
        }
    }
    for (uint32_t i = 0; i < n; ++i) {
        for (uint32_t c = nodes[i].link; c != kNone;) {
            uint32_t next = nodes[c].prefix;
            nodes[c].prefix = i;
            c = next;
        }
        nodes[i].link = kNone;
    }
    int32_t w = 11;
    while (n <= (1u << (w - 1)))
        --w;
    *codeWidth = w;
    *nextCode = static_cast<int32_t>(n) - 1;
}

TEST(LzwPruning, MatchesTheFormatsOwnDescriptionOnRandomTrees) {
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        std::vector<LzwNode> nodes(LZW_DICT_SIZE);
        for (uint32_t i = 0; i <= LZW_END_CODE; ++i)
            nodes[i] =
                LzwNode{uint8_t(i & 0xFF), uint8_t(i & 0xFF), 1, LZW_END_CODE, LZW_END_CODE, 0};
        std::vector<uint8_t> noise = RandomBytes(LZW_DICT_SIZE * 2, seed);
        for (uint32_t i = 257; i < LZW_DICT_SIZE; ++i) {
            // Mostly recent parents, as real text gives, sometimes roots.
            uint32_t back = 1 + noise[i * 2] % (seed % 7 == 0 ? 200 : 12);
            uint32_t parent = noise[i * 2 + 1] < 40 || back > i - 257 ? noise[i * 2 + 1] : i - back;
            LzwSetNode(nodes.data(), i, parent, noise[i * 2]);
        }
        std::vector<LzwNode> reference = nodes;
        int32_t n = 1024, w = 11, refN = 1024, refW = 11;
        LzwPrune(nodes.data(), &n, &w);
        ReferencePrune(reference, &refN, &refW);
        ASSERT_EQ(n, refN) << seed;
        ASSERT_EQ(w, refW) << seed;
        for (int32_t i = 0; i <= n; ++i) {
            ASSERT_EQ(nodes[i].prefix, reference[i].prefix) << seed << " node " << i;
            ASSERT_EQ(nodes[i].ch, reference[i].ch) << seed << " node " << i;
            ASSERT_EQ(nodes[i].link, LZW_END_CODE);
            if (i > 256) {
                ASSERT_EQ(nodes[i].length, nodes[nodes[i].prefix].length + 1);
            }
        }
    }
}

struct RoundTripCase {
    const char* name;
    std::vector<uint8_t> data;
};

std::vector<RoundTripCase> RoundTripCases() {
    std::vector<uint8_t> runs;
    for (int r = 0; r < 300; ++r)
        runs.insert(runs.end(), static_cast<size_t>(r % 37 + 1), static_cast<uint8_t>(r * 7));
    return {
        {"empty", {}},
        {"one byte", {0x42}},
        {"runs", runs},
        {"text", SampleText(60000)},
        {"three symbols", RandomBytes(200000, 7, 3)},
        {"random bytes", RandomBytes(50000, 9)},
        {"long run", std::vector<uint8_t>(100000, 'a')},
    };
}

int CountPrunings(const std::vector<LzwChoice>& choices) {
    int prunings = 0;
    for (size_t i = 1; i < choices.size(); ++i)
        if (choices[i].nextCode < choices[i - 1].nextCode)
            ++prunings;
    return prunings;
}

TEST(LzwRoundTrip, ThreeSymbolDataPrunesManyTimes) {
    std::vector<uint8_t> data = RandomBytes(200000, 7, 3);
    EXPECT_GT(CountPrunings(LzwChooseValues(data.data(), data.size(), false)), 50);
}

TEST(LzwRoundTrip, WholeAndSmallRequestsGiveTheSameBytes) {
    for (const RoundTripCase& c : RoundTripCases()) {
        for (bool literal : {false, true}) {
            std::vector<uint8_t> stored = literal ? LzwEncodeLiteral(c.data) : LzwEncode(c.data);
            const uint32_t size = static_cast<uint32_t>(c.data.size());
            OpenedArchive archive(RawCompressedArchive(stored, size));
            ASSERT_TRUE(archive.opened());
            uint32_t produced = 0;
            EXPECT_EQ(ReadWholeEntry(archive.get(), 0, &produced), c.data) << c.name;
            EXPECT_EQ(produced, size) << c.name;
            EXPECT_EQ(DecodeInSteps(archive.get(), size, 1), c.data) << c.name << literal;
            EXPECT_EQ(DecodeInSteps(archive.get(), size, 7), c.data) << c.name << literal;
            EXPECT_EQ(DecodeInSteps(archive.get(), size, 4093), c.data) << c.name << literal;
        }
    }
}

TEST(LzwRoundTrip, LiteralEncodingCyclesThroughFixedWidths) {
    std::vector<uint8_t> data = RandomBytes(2000, 3);
    std::vector<LzwChoice> choices = LzwChooseValues(data.data(), data.size(), true);
    ASSERT_EQ(choices.size(), 2001u);
    EXPECT_EQ(choices[0].nextCode, 256);
    EXPECT_EQ(choices[256].codeWidth, 10);
    EXPECT_EQ(choices[768].nextCode, 256);
    EXPECT_EQ(choices[768].codeWidth, 9);
}

TEST(LzwSkipping, SkippedBytesAreNotWrittenAndReadingContinuesAfterThem) {
    std::vector<uint8_t> data = SampleText(20000);
    OpenedArchive archive(RawCompressedArchive(LzwEncode(data), uint32_t(data.size())));
    ASSERT_TRUE(archive.opened());
    LzwInput input;
    LzwState state;
    LzwInputInit(&input, archive.get(), 0);
    LzwInputRefill(&input);
    uint8_t* cursor = input.buffer;
    LzwDictInit(&state, nullptr);
    uint32_t position = 0;
    for (uint32_t skip : {1u, 13u, 999u, 4096u}) {
        LzwSetOutput(&state, nullptr);
        ASSERT_EQ(LzwDecode(&state, &input, &cursor, int32_t(skip)), skip);
        position += skip;
        std::vector<uint8_t> piece(57);
        LzwSetOutput(&state, piece.data());
        ASSERT_EQ(LzwDecode(&state, &input, &cursor, 57), 57u);
        EXPECT_TRUE(std::equal(piece.begin(), piece.end(), data.begin() + position));
        position += 57;
    }
    LzwDictFree(&state);
    LzwInputFree(&input);
}

TEST(LzwDamage, TruncatedDataDecodesToAPrefixAndStops) {
    std::vector<uint8_t> data = SampleText(3000);
    std::vector<uint8_t> stored = LzwEncode(data);
    for (size_t cut = 0; cut < stored.size(); cut += 1 + cut / 8) {
        std::vector<uint8_t> part(stored.begin(), stored.begin() + long(cut));
        OpenedArchive archive(RawCompressedArchive(part, uint32_t(data.size())));
        ASSERT_TRUE(archive.opened());
        uint32_t produced = 0;
        std::vector<uint8_t> out = ReadWholeEntry(archive.get(), 0, &produced);
        ASSERT_LT(produced, data.size()) << cut;
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + produced, data.begin())) << cut;
        // A cut too short to hold the size is refused whole.
        EXPECT_EQ(DecodeInSteps(archive.get(), GetEntrySize(archive.get(), 0), 5).size(), produced);
    }
}

TEST(LzwDamage, NothingFollowsTheEndCode) {
    std::vector<uint8_t> data = SampleText(500);
    OpenedArchive archive(RawCompressedArchive(LzwEncode(data), 100000));
    ASSERT_TRUE(archive.opened());
    uint32_t produced = 0;
    std::vector<uint8_t> out = ReadWholeEntry(archive.get(), 0, &produced);
    EXPECT_EQ(produced, data.size());
    EXPECT_EQ(DecodeInSteps(archive.get(), 100000, 3), data);
}

TEST(LzwDamage, GarbageDecodesSafely) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        std::vector<uint8_t> garbage = RandomBytes(64 + seed * 7, seed, seed % 5 == 0 ? 2 : 256);
        // As much as garbage this long could be believed to unpack to.
        const uint32_t size = static_cast<uint32_t>(garbage.size()) * 600;
        OpenedArchive archive(RawCompressedArchive(garbage, size));
        ASSERT_TRUE(archive.opened());
        uint32_t whole = 0;
        std::vector<uint8_t> out = ReadWholeEntry(archive.get(), 0, &whole);
        std::vector<uint8_t> stepped = DecodeInSteps(archive.get(), size, 333);
        ASSERT_EQ(stepped.size(), whole) << seed;
        EXPECT_TRUE(std::equal(stepped.begin(), stepped.end(), out.begin())) << seed;
    }
}

} // namespace
