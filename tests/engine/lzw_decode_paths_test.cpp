// The decoder's faster paths: strings copied from earlier output in whole
// blocks, the bit register topped up from the input block, and the pruning
// fed by what the decoder records as it learns nodes. Each is checked
// against the original data over many prunings and every kind of request.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/archive.h"
#include "engine/lzw.h"
#include "tests/engine/archive_test_util.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/lzw_encoder.h"

namespace {

// Text, runs, short repeating patterns, few-symbol noise and random bytes,
// one after another, so that the dictionary is pruned hundreds of times and
// in very different states.
std::vector<uint8_t> MixedData() {
    std::vector<uint8_t> data;
    auto append = [&data](const std::vector<uint8_t>& part) {
        data.insert(data.end(), part.begin(), part.end());
    };
    append(SampleText(50000));
    for (uint32_t period : {2u, 3u, 15u, 16u, 17u, 31u, 64u}) {
        std::vector<uint8_t> pattern = RandomBytes(period, period);
        for (int i = 0; i < 2000; ++i)
            append(pattern);
    }
    append(RandomBytes(40000, 11, 3));
    append(std::vector<uint8_t>(30000, 'z'));
    append(RandomBytes(30000, 12));
    append(SampleText(80000));
    append(RandomBytes(60000, 13, 16));
    return data;
}

std::vector<uint8_t> CompressedArchive(const std::vector<uint8_t>& data) {
    ArchiveBuilder builder;
    builder.AddCompressed(3, data);
    return builder.Build();
}

// Decodes entry 0 in requests whose sizes cycle through `steps`; a step of 0
// skips the next `skip` bytes with a null output instead.
std::vector<uint8_t> DecodeInRequests(ResourceArchive* archive, uint32_t size,
                                      const std::vector<uint32_t>& steps, uint32_t skip = 0) {
    LzwInput input;
    LzwState state;
    LzwInputInit(&input, archive, 0);
    LzwInputRefill(&input);
    uint8_t* cursor = input.buffer;
    LzwDictInit(&state, nullptr);
    std::vector<uint8_t> out(size, 0xEE);
    uint32_t done = 0;
    for (size_t k = 0; done < size; ++k) {
        const uint32_t step = steps[k % steps.size()];
        const bool skipping = step == 0;
        const uint32_t want = std::min(skipping ? skip : step, size - done);
        LzwSetOutput(&state, skipping ? nullptr : out.data() + done);
        const uint32_t got = LzwDecode(&state, &input, &cursor, static_cast<int32_t>(want));
        EXPECT_EQ(got, want);
        if (got != want)
            break;
        done += got;
    }
    LzwDictFree(&state);
    LzwInputFree(&input);
    return out;
}

// Where the skipped bytes were, the expected output keeps the fill byte.
std::vector<uint8_t> Expected(const std::vector<uint8_t>& data, const std::vector<uint32_t>& steps,
                              uint32_t skip) {
    std::vector<uint8_t> expected(data.size(), 0xEE);
    size_t done = 0;
    for (size_t k = 0; done < data.size(); ++k) {
        const uint32_t step = steps[k % steps.size()];
        const size_t want = std::min<size_t>(step == 0 ? skip : step, data.size() - done);
        if (step != 0)
            std::copy(data.begin() + long(done), data.begin() + long(done + want),
                      expected.begin() + long(done));
        done += want;
    }
    return expected;
}

TEST(LzwDecodePaths, MixedDataPrunesOftenAndDecodesWhole) {
    const std::vector<uint8_t> data = MixedData();
    std::vector<LzwChoice> choices = LzwChooseValues(data.data(), data.size(), false);
    int prunings = 0;
    for (size_t i = 1; i < choices.size(); ++i)
        prunings += choices[i].nextCode < choices[i - 1].nextCode;
    EXPECT_GT(prunings, 300);

    OpenedArchive archive(CompressedArchive(data));
    ASSERT_TRUE(archive.opened());
    uint32_t produced = 0;
    EXPECT_EQ(ReadWholeEntry(archive.get(), 0, &produced), data);
    EXPECT_EQ(produced, data.size());
}

TEST(LzwDecodePaths, EveryRequestSizeGivesTheSameBytes) {
    const std::vector<uint8_t> data = MixedData();
    const uint32_t size = static_cast<uint32_t>(data.size());
    OpenedArchive archive(CompressedArchive(data));
    ASSERT_TRUE(archive.opened());
    // Requests below, at and just above the copy block, odd sizes that end
    // strings anywhere, and large ones.
    const std::vector<std::vector<uint32_t>> patterns = {
        {4096}, {15, 16, 17}, {1, 2, 3, 5, 8, 13, 21, 34}, {4093, 1, 100000}, {1},
    };
    for (const std::vector<uint32_t>& steps : patterns)
        EXPECT_EQ(DecodeInRequests(archive.get(), size, steps), data) << steps.size();
}

TEST(LzwDecodePaths, SkippedStretchesLeaveTheOutputAndTheRestDecodes) {
    const std::vector<uint8_t> data = MixedData();
    const uint32_t size = static_cast<uint32_t>(data.size());
    OpenedArchive archive(CompressedArchive(data));
    ASSERT_TRUE(archive.opened());
    for (uint32_t skip : {1u, 700u, 9000u}) {
        const std::vector<uint32_t> steps = {333, 0, 4096, 0, 7};
        EXPECT_EQ(DecodeInRequests(archive.get(), size, steps, skip), Expected(data, steps, skip))
            << skip;
    }
}

TEST(LzwDecodePaths, LongStringsOverlappingTheirCopies) {
    // A run learns strings one byte longer each time, each copied from the
    // one before it and overlapping it; a long period gives strings well
    // past one copy block.
    for (uint32_t period : {1u, 7u, 40u}) {
        std::vector<uint8_t> pattern = RandomBytes(period, 100 + period);
        std::vector<uint8_t> data;
        while (data.size() < 150000)
            data.insert(data.end(), pattern.begin(), pattern.end());
        OpenedArchive archive(CompressedArchive(data));
        ASSERT_TRUE(archive.opened());
        EXPECT_EQ(ReadWholeEntry(archive.get(), 0), data) << period;
        EXPECT_EQ(DecodeInRequests(archive.get(), uint32_t(data.size()), {4093}), data) << period;
        EXPECT_EQ(DecodeInRequests(archive.get(), uint32_t(data.size()), {29}), data) << period;
    }
}

TEST(LzwPruning, AnyPrefixesStayWithinTheDictionary) {
    // Decoding only builds trees whose prefixes come first; the pruning must
    // still stay in bounds and finish on any node array.
    for (uint32_t seed = 1; seed <= 100; ++seed) {
        std::vector<LzwNode> nodes(LZW_DICT_SIZE);
        for (uint32_t i = 0; i <= LZW_END_CODE; ++i)
            nodes[i] = LzwNode{uint8_t(i), uint8_t(i), 1, LZW_END_CODE, LZW_END_CODE, 0};
        std::vector<uint8_t> noise = RandomBytes(LZW_DICT_SIZE * 2, seed);
        for (uint32_t i = LZW_END_CODE + 1; i < LZW_DICT_SIZE; ++i) {
            const uint32_t prefix =
                (uint32_t(noise[2 * i]) << 8 | noise[2 * i + 1]) % LZW_DICT_SIZE;
            nodes[i] = LzwNode{noise[2 * i], noise[2 * i], 2, LZW_END_CODE, prefix, 0};
        }
        int32_t n = 1024, w = 11;
        LzwPrune(nodes.data(), &n, &w);
        EXPECT_GE(n, int32_t(LZW_END_CODE)) << seed;
        EXPECT_LT(n, int32_t(LZW_DICT_SIZE)) << seed;
        EXPECT_GE(w, 9) << seed;
        EXPECT_LE(w, 11) << seed;
        for (int32_t i = 0; i <= n; ++i)
            EXPECT_LE(nodes[i].prefix, LZW_DICT_SIZE - 1) << seed;
    }
}

} // namespace

namespace {

// Each request goes to its own heap block of exactly the requested size
// followed by guard bytes, so a block copy that strays past the request
// shows up as a changed guard here and as an overflow under ASan.
TEST(LzwDecodePaths, RequestsNeverWriteOutsideTheirBuffer) {
    const std::vector<uint8_t> data = MixedData();
    const uint32_t size = static_cast<uint32_t>(data.size());
    OpenedArchive archive(CompressedArchive(data));
    ASSERT_TRUE(archive.opened());
    constexpr uint32_t kGuard = 64;
    for (bool guarded : {true, false}) {
        LzwInput input;
        LzwState state;
        LzwInputInit(&input, archive.get(), 0);
        LzwInputRefill(&input);
        uint8_t* cursor = input.buffer;
        LzwDictInit(&state, nullptr);
        uint32_t done = 0;
        bool same = true, guardsIntact = true;
        for (uint32_t k = 0; done < size && same; ++k) {
            // Sizes around the copy block, so that requests end at every
            // distance from a block boundary, and now and then one long
            // enough for the longest strings.
            const uint32_t step = k % 5 == 4 ? 1 + (k * 13) % 900 : 1 + (k * 7) % 48;
            const uint32_t want = std::min(step, size - done);
            std::vector<uint8_t> block(want + (guarded ? kGuard : 0), 0xA5);
            LzwSetOutput(&state, block.data());
            const uint32_t got = LzwDecode(&state, &input, &cursor, static_cast<int32_t>(want));
            same = got == want &&
                   std::equal(block.begin(), block.begin() + want, data.begin() + long(done));
            for (uint32_t g = want; g < block.size(); ++g)
                guardsIntact = guardsIntact && block[g] == 0xA5;
            done += got;
        }
        EXPECT_TRUE(same) << "at " << done;
        EXPECT_TRUE(guardsIntact);
        EXPECT_EQ(done, size);
        LzwDictFree(&state);
        LzwInputFree(&input);
    }
}

} // namespace
