// Opening "PaR6" archives, entry queries and whole-entry reads, including
// the archives that must be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/resource_stream.h"
#include "tests/engine/archive_test_util.h"
#include "tests/support/temp_dir.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/dump_header.h"

namespace {

ArchiveBuilder ThreeEntries() {
    ArchiveBuilder builder;
    builder.AddPlain(3, BytesOf("first entry"));
    builder.AddCompressed(5, SampleText(5000));
    builder.AddPlain(7, BytesOf("third"));
    return builder;
}

TEST(ArchiveOpen, AcceptsAGeneratedArchive) {
    OpenedArchive archive(ThreeEntries().Build());
    ASSERT_TRUE(archive.opened());
    EXPECT_EQ(GetEntryCount(archive.get()), 3u);
    EXPECT_EQ(GetEntryType(archive.get(), 1), 5u);
    EXPECT_TRUE(IsEntryCompressed(archive.get(), 1));
    EXPECT_FALSE(IsEntryCompressed(archive.get(), 0));
    EXPECT_EQ(GetEntryOffset(archive.get(), 0), 8u + 9u * 4u);
    EXPECT_EQ(ReadWholeEntry(archive.get(), 0), BytesOf("first entry"));
    EXPECT_EQ(ReadWholeEntry(archive.get(), 1), SampleText(5000));
    EXPECT_EQ(ReadWholeEntry(archive.get(), 2), BytesOf("third"));
}

TEST(ArchiveOpen, RefusesMissingShortAndForeignFiles) {
    ResourceArchive archive{};
    EXPECT_EQ(OpenArchive(&archive, "no/such/archive.res"), 0);
    EXPECT_EQ(archive.isOpen, 0);

    OpenedArchive empty(std::vector<uint8_t>{});
    EXPECT_FALSE(empty.opened());
    std::vector<uint8_t> bytes = ThreeEntries().Build();
    OpenedArchive seven(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 7), ".short");
    EXPECT_FALSE(seven.opened());
    ArchiveFaults foreign;
    foreign.magic = "PaR5";
    OpenedArchive wrongMagic(ThreeEntries().Build(foreign), ".magic");
    EXPECT_FALSE(wrongMagic.opened());
}

TEST(ArchiveOpen, RefusesADirectoryThatDoesNotFit) {
    ArchiveFaults truncated;
    truncated.truncateTo = 8 + 9 * 2;
    OpenedArchive cut(ThreeEntries().Build(truncated));
    EXPECT_FALSE(cut.opened());
    for (uint32_t count : {4u, 1000u, 0x1C71C71Bu, 0xFFFFFFFFu}) {
        ArchiveFaults huge;
        huge.entryCount = count;
        OpenedArchive archive(ThreeEntries().Build(huge), ".huge" + std::to_string(count));
        EXPECT_FALSE(archive.opened()) << count;
        EXPECT_EQ(archive.get()->directory, nullptr);
    }
}

TEST(ArchiveOpen, RefusesOffsetsOutsideTheFileOrGoingBack) {
    std::vector<uint8_t> good = ThreeEntries().Build();
    const uint32_t size = static_cast<uint32_t>(good.size());
    struct Case {
        uint32_t record;
        uint32_t offset;
    } cases[] = {{1, size + 1}, {3, size + 1}, {2, 40}, {1, 0}, {0, 0xFFFFFFFFu}};
    for (const Case& c : cases) {
        ArchiveFaults faults;
        faults.offsets[c.record] = c.offset;
        OpenedArchive archive(ThreeEntries().Build(faults), ".o" + std::to_string(c.record));
        EXPECT_FALSE(archive.opened()) << c.record << " " << c.offset;
    }
    ArchiveFaults cutData;
    cutData.truncateTo = good.size() - 1;
    OpenedArchive truncated(ThreeEntries().Build(cutData), ".cut");
    EXPECT_FALSE(truncated.opened());
    ArchiveFaults linkEnd;
    linkEnd.typeBytes[3] = static_cast<uint8_t>(RES_TYPE_LINK);
    OpenedArchive endIsLink(ThreeEntries().Build(linkEnd), ".end");
    EXPECT_FALSE(endIsLink.opened());
}

TEST(ArchiveQueries, IndicesBeyondTheDirectoryAndClosedArchivesGiveZero) {
    OpenedArchive archive(ThreeEntries().Build());
    ASSERT_TRUE(archive.opened());
    uint8_t buffer[16] = {};
    for (uint32_t i : {3u, 4u, 0xFFFFFFFFu}) {
        EXPECT_EQ(GetEntryType(archive.get(), i), 0u);
        EXPECT_EQ(GetEntrySize(archive.get(), i), 0u);
        EXPECT_EQ(GetEntryStoredSize(archive.get(), i), 0u);
        EXPECT_EQ(ReadEntry(archive.get(), buffer, i), 0u);
        EXPECT_EQ(ReadExternalPath(archive.get(), i), nullptr);
    }
    ResourceArchive closed{};
    EXPECT_EQ(GetEntryCount(&closed), 0u);
    EXPECT_EQ(GetEntrySize(&closed, 0), 0u);
    EXPECT_EQ(ReadArchiveBytes(&closed, buffer, 0, 4), 0u);
    CloseArchive(archive.get());
    EXPECT_EQ(GetEntryType(archive.get(), 0), 0u);
    CloseArchive(archive.get());
}

TEST(ArchiveLinks, StoredSizeReachesPastFollowingLinks) {
    ArchiveBuilder builder;
    builder.AddPlain(3, BytesOf("0123456789"));
    builder.AddLink(0);
    builder.AddLink(3);
    builder.AddPlain(3, BytesOf("abc"));
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    EXPECT_EQ(NextNonLinkEntry(archive.get(), 0), 3u);
    EXPECT_EQ(GetEntryStoredSize(archive.get(), 0), 10u);
    EXPECT_EQ(GetEntryStoredSize(archive.get(), 1), 0u);
    EXPECT_EQ(GetEntryStoredSize(archive.get(), 3), 3u);
    EXPECT_EQ(GetEntrySize(archive.get(), 2), 4u);
    std::vector<uint8_t> target = ReadWholeEntry(archive.get(), 2);
    EXPECT_EQ(GetU32LE(target.data()), 3u);
    uint32_t word = 0;
    EXPECT_EQ(ReadEntryWord(archive.get(), 1, &word), 1);
    EXPECT_EQ(word, 0u);
}

TEST(ArchiveLinks, TrailingLinksEndAtTheEndRecord) {
    ArchiveBuilder builder;
    builder.AddPlain(3, BytesOf("tail data"));
    builder.AddLink(0);
    builder.AddLink(0);
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    EXPECT_EQ(NextNonLinkEntry(archive.get(), 0), 3u);
    EXPECT_EQ(GetEntryStoredSize(archive.get(), 0), 9u);
}

TEST(ArchiveNumbers, ReadEntryWordNeedsExactlyFourBytes) {
    ArchiveBuilder builder;
    builder.AddNumber(0xDEADBEEF);
    builder.AddPlain(0, {1, 2, 3});
    builder.AddPlain(0, {1, 2, 3, 4, 5});
    builder.Add(CompressedEntry(0, {0x78, 0x56, 0x34, 0x12}));
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    uint32_t value = 7;
    EXPECT_EQ(ReadEntryWord(archive.get(), 0, &value), 1);
    EXPECT_EQ(value, 0xDEADBEEFu);
    value = 7;
    EXPECT_EQ(ReadEntryWord(archive.get(), 1, &value), 0);
    EXPECT_EQ(ReadEntryWord(archive.get(), 2, &value), 0);
    EXPECT_EQ(ReadEntryWord(archive.get(), 9, &value), 0);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(ReadEntryWord(archive.get(), 3, &value), 1);
    EXPECT_EQ(value, 0x12345678u);
}

// A directory size is believed only as far as the stored bytes reach: one
// byte each when plain, what the dictionary coder can unpack from them when
// compressed. A larger claim refuses the entry, said once in one line.
TEST(ArchiveSizes, ASizeTheStoredBytesCannotHoldRefusesTheEntry) {
    constexpr uint32_t k256MB = 256u << 20;
    struct Row {
        ArchiveEntrySpec spec;
        uint32_t sizeField;
        std::vector<uint8_t> read; // empty: refused
    };
    const std::vector<uint8_t> noise = RandomBytes(262144, 9);
    const Row rows[] = {
        {PlainEntry(3, BytesOf("0123456789")), 4, BytesOf("0123")},
        {PlainEntry(3, BytesOf("abcdef")), 6, BytesOf("abcdef")},
        {PlainEntry(3, BytesOf("abcdef")), 7, {}},
        {PlainEntry(3, BytesOf("abcdef")), 0x7FFFFFFF, {}},
        {CompressedEntry(3, BytesOf("abc")), 3, BytesOf("abc")},
        {CompressedEntry(3, BytesOf("abc")), 0xFFFFFFFF, {}},
        // About 295 KB that claim 256 MB, to be zeroed before decoding.
        {LiteralCompressedEntry(3, noise), k256MB, {}},
    };
    ArchiveBuilder builder;
    for (const Row& row : rows) {
        ArchiveEntrySpec spec = row.spec;
        spec.sizeField = row.sizeField;
        builder.Add(spec);
    }
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    std::string said;
    for (uint32_t i = 0; i < std::size(rows); ++i) {
        if (rows[i].read.empty())
            said += "Archive entry " + std::to_string(i) + " not read: it claims " +
                    std::to_string(rows[i].sizeField) + " bytes, more than its " +
                    std::to_string(GetEntryStoredSize(archive.get(), i)) +
                    " stored bytes can hold\n";
    }
    testing::internal::CaptureStdout();
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t i = 0; i < std::size(rows); ++i) {
            EXPECT_EQ(GetEntrySize(archive.get(), i), rows[i].read.size()) << i;
            EXPECT_EQ(ReadWholeEntry(archive.get(), i), rows[i].read) << i;
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), said);
}

// Runs of one byte give the coder's longest strings, so the most bytes per
// stored bit: whatever the encoder writes for them is believed, and the
// longest run comes so close to the limit that 2% more is refused.
TEST(ArchiveSizes, TheEncodersLongestStringsAreBelievedAndLittleMore) {
    std::vector<uint8_t> runs;
    for (uint8_t letter : BytesOf("abcab"))
        runs.insert(runs.end(), 200000, letter);
    const std::vector<std::vector<uint8_t>> rows = {
        std::vector<uint8_t>(16000000, 0), std::vector<uint8_t>(1000000, 0xFF), runs,
        WriteDumpEntry(), std::vector<uint8_t>(5000, 7)};
    ArchiveBuilder builder;
    for (const std::vector<uint8_t>& data : rows)
        builder.AddCompressed(3, data);
    ArchiveEntrySpec beyond = CompressedEntry(3, rows[0]);
    beyond.sizeField = static_cast<uint32_t>(rows[0].size() / 100 * 102);
    builder.Add(beyond);
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    for (uint32_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(GetEntrySize(archive.get(), i), rows[i].size()) << i;
        EXPECT_TRUE(ReadWholeEntry(archive.get(), i) == rows[i]) << i;
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(GetEntrySize(archive.get(), static_cast<uint32_t>(rows.size())), 0u);
    EXPECT_NE(testing::internal::GetCapturedStdout(), "");
}

TEST(ArchiveExternal, SizesAndContentsComeFromTheOutsideFile) {
    const std::string folder = TestFilePath("_ext");
    ArchiveBuilder builder;
    builder.AddExternal(8, folder + "/picture.bin", BytesOf("outside contents"));
    ArchiveEntrySpec typeOne = ExternalEntry(1, folder + "/one.bin", BytesOf("0123456789"));
    typeOne.sizeField = 6;
    builder.Add(typeOne);
    ArchiveEntrySpec lying = ExternalEntry(2, folder + "/two.bin", BytesOf("abc"));
    lying.sizeField = 1000000;
    builder.Add(lying);
    ArchiveEntrySpec windows = ExternalEntry(0, folder + "\\win.bin", {});
    builder.Add(windows);
    builder.AddExternal(0, folder + "/missing.bin", {});
    builder.AddPlain(0, {});
    ASSERT_TRUE(builder.WriteExternalFiles());
    ASSERT_TRUE(WriteBytesToFile(folder + "/win.bin", BytesOf("backslashes")));
    std::remove((folder + "/missing.bin").c_str());
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());

    EXPECT_TRUE(IsEntryExternal(archive.get(), 0));
    EXPECT_EQ(GetEntrySize(archive.get(), 0), 16u);
    EXPECT_EQ(ReadWholeEntry(archive.get(), 0), BytesOf("outside contents"));
    EXPECT_EQ(GetEntrySize(archive.get(), 1), 6u);
    EXPECT_EQ(ReadWholeEntry(archive.get(), 1), BytesOf("012345"));
    EXPECT_EQ(GetEntrySize(archive.get(), 2), 3u);
    char* path = ReadExternalPath(archive.get(), 3);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), folder + "/win.bin");
    std::free(path);
    EXPECT_EQ(ReadWholeEntry(archive.get(), 3), BytesOf("backslashes"));
    EXPECT_EQ(GetEntrySize(archive.get(), 4), 0u);
    uint8_t buffer[8];
    EXPECT_EQ(ReadEntry(archive.get(), buffer, 4), 0u);
    // The builder wrote the backslash path literally, as one file name.
    for (const char* name : {"/picture.bin", "/one.bin", "/two.bin", "/win.bin", "\\win.bin", ""})
        std::remove((folder + name).c_str());
}

TEST(ArchiveThreads, ReadsFromTwoThreadsDoNotDisturbEachOther) {
    ArchiveBuilder builder;
    builder.AddPlain(3, RandomBytes(300000, 1));
    builder.AddCompressed(3, SampleText(300000));
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    bool sameA = true, sameB = true;
    std::thread other([&] {
        for (int k = 0; k < 20; ++k)
            sameA = sameA && ReadWholeEntry(archive.get(), 0) == RandomBytes(300000, 1);
    });
    for (int k = 0; k < 10; ++k)
        sameB = sameB && ReadWholeEntry(archive.get(), 1) == SampleText(300000);
    other.join();
    EXPECT_TRUE(sameA);
    EXPECT_TRUE(sameB);
}

TEST(ArchiveDamage, RandomDirectoriesNeverReadOutOfBounds) {
    std::vector<uint8_t> good = ThreeEntries().Build();
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        std::vector<uint8_t> bytes = good;
        std::vector<uint8_t> noise = RandomBytes(6, seed);
        for (int k = 0; k < 3; ++k)
            bytes[8 + noise[k * 2] % 36] = noise[k * 2 + 1];
        OpenedArchive archive(bytes);
        if (!archive.opened())
            continue;
        for (uint32_t i = 0; i <= GetEntryCount(archive.get()); ++i) {
            uint32_t size = GetEntrySize(archive.get(), i);
            if (size > (1u << 24))
                continue;
            std::vector<uint8_t> buffer(size + 1, 0xEE);
            EXPECT_LE(ReadEntry(archive.get(), buffer.data(), i), size);
            EXPECT_EQ(buffer[size], 0xEE);
        }
    }
}

} // namespace

namespace {

TEST(ArchiveSizes, ReadEntryUpToNeverWritesPastItsCapacity) {
    const std::string path = TestFilePath(".outside");
    ArchiveBuilder builder;
    builder.AddExternal(0, path, BytesOf("outside file grown since it was measured"));
    builder.AddCompressed(3, SampleText(5000));
    builder.AddPlain(3, BytesOf("plain bytes"));
    builder.AddLink(2);
    ASSERT_TRUE(builder.WriteExternalFiles());
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    for (uint32_t i = 0; i < 3; ++i) {
        std::vector<uint8_t> buffer(7 + 16, 0xEE);
        EXPECT_EQ(ReadEntryUpTo(archive.get(), buffer.data(), i, 7), 7u) << i;
        EXPECT_EQ(std::count(buffer.begin() + 7, buffer.end(), 0xEE), 16) << i;
        std::vector<uint8_t> whole = ReadWholeEntry(archive.get(), i);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 7, whole.begin())) << i;
    }
    uint8_t small[3] = {0xEE, 0xEE, 0xEE};
    EXPECT_EQ(ReadEntryUpTo(archive.get(), small, 3, 3), 0u);
    EXPECT_EQ(small[0], 0xEE);
    std::remove(path.c_str());
}

} // namespace

namespace {

TEST(ArchiveExternal, AFifoOrADeviceMeasuresNothingAndNeverOpens) {
    const std::string fifo = TestFilePath(".fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ArchiveBuilder builder;
    builder.Add(ExternalEntry(RES_TYPE_SOUND_STREAMED, fifo, {}));
    builder.Add(ExternalEntry(RES_TYPE_SOUND_IN_MEMORY, "/dev/zero", {}));
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    // An open that waits for a FIFO's writer ends the run instead of hanging it.
    alarm(20);
    for (uint32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(GetEntrySize(archive.get(), i), 0u) << i;
        uint8_t byte = 0xEE;
        EXPECT_EQ(ReadEntryUpTo(archive.get(), &byte, i, 1), 0u) << i;
        ResourceStream stream;
        EXPECT_EQ(OpenResourceStream(archive.get(), &stream, i), 0) << i;
        CloseResourceStream(&stream);
    }
    alarm(0);
    std::remove(fifo.c_str());
}

} // namespace

namespace {

// The game's folder is "game" inside a temporary folder; "secret.txt" lies
// beside it, named by a climb, an absolute path and a link.
TEST(ArchiveExternal, AnOutsideFileBeyondTheGameFolderIsNeverReadAndSaidOnce) {
    ScopedTempDir temp;
    std::filesystem::create_directory("game");
    ASSERT_TRUE(WriteBytesToFile("secret.txt", BytesOf("secret")));
    ASSERT_EQ(chdir("game"), 0);
    std::filesystem::create_symlink("../secret.txt", "link.txt");
    ASSERT_TRUE(WriteBytesToFile("inside.txt", BytesOf("inside")));
    const std::string hostile[] = {"..\\secret.txt", temp.path() + "/secret.txt", "link.txt"};
    ArchiveBuilder builder;
    for (const std::string& path : hostile)
        builder.Add(ExternalEntry(RES_TYPE_SOUND_STREAMED, path, {}));
    builder.Add(ExternalEntry(3, "inside.txt", {}));
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());

    testing::internal::CaptureStdout();
    for (int pass = 0; pass < 2; ++pass)
        for (uint32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(GetEntrySize(archive.get(), i), 0u) << i;
            uint8_t byte = 0xEE;
            EXPECT_EQ(ReadEntryUpTo(archive.get(), &byte, i, 1), 0u) << i;
            EXPECT_EQ(byte, 0xEE) << i;
            ResourceStream stream;
            EXPECT_EQ(OpenResourceStream(archive.get(), &stream, i), 0) << i;
            CloseResourceStream(&stream);
        }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Outside file ../secret.txt not read: its '..' leads out of the game's folder\n"
              "Outside file " + temp.path() +
                  "/secret.txt not read: it is an absolute path, outside the game's folder\n"
                  "Outside file link.txt not read: a link on it leads out of the game's folder\n");
    EXPECT_EQ(ReadWholeEntry(archive.get(), 3), BytesOf("inside"));
}

} // namespace
