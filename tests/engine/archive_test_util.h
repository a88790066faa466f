// Shared by the archive, stream, PNG and catalogue tests: archives written
// to files of the test's own name and opened for the length of a test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/archive.h"

// A file name unique to the running test, in the test's working folder.
inline std::string TestFilePath(const std::string& suffix) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("archive_") + info->test_suite_name() + "_" + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    return name + suffix;
}

inline bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// Writes `bytes` as an archive file and opens it; closes and removes it at
// the end of the test.
class OpenedArchive {
public:
    explicit OpenedArchive(const std::vector<uint8_t>& bytes, const std::string& suffix = ".res")
        : path_(TestFilePath(suffix)) {
        EXPECT_TRUE(WriteBytesToFile(path_, bytes));
        opened_ = OpenArchive(&archive_, path_.c_str()) == 1;
    }
    ~OpenedArchive() {
        CloseArchive(&archive_);
        std::remove(path_.c_str());
    }
    OpenedArchive(const OpenedArchive&) = delete;
    OpenedArchive& operator=(const OpenedArchive&) = delete;

    bool opened() const { return opened_; }
    ResourceArchive* get() { return &archive_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    ResourceArchive archive_{};
    bool opened_ = false;
};

// Reads a whole entry through ReadEntry into a buffer of its size.
inline std::vector<uint8_t> ReadWholeEntry(const ResourceArchive* archive, uint32_t i,
                                           uint32_t* produced = nullptr) {
    std::vector<uint8_t> bytes(GetEntrySize(archive, i));
    uint32_t got = ReadEntry(archive, bytes.data(), i);
    if (produced != nullptr)
        *produced = got;
    return bytes;
}

// Deterministic test data.
inline std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed, uint32_t symbols = 256) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<uint8_t>((x >> 8) % symbols);
    }
    return bytes;
}

inline std::vector<uint8_t> SampleText(size_t size) {
    static const char* const kWords[] = {"the ",  "quill ", "bury ",   "runs ",  "after ",
                                         "a ",    "river ", "jumps ",  "over ",  "stones, ",
                                         "and\n", "keeps ", "ahead. ", "Score ", "points "};
    std::vector<uint8_t> text;
    uint32_t x = 12345;
    while (text.size() < size) {
        x = x * 1103515245u + 12345u;
        const char* word = kWords[(x >> 16) % (sizeof(kWords) / sizeof(kWords[0]))];
        while (*word != 0 && text.size() < size)
            text.push_back(static_cast<uint8_t>(*word++));
    }
    return text;
}

// ---- fatal paths ---------------------------------------------------------------
// FatalMessage and FatalExit print to standard output, which gtest's death
// tests do not capture: the child sends it to a file the parent reads back.

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

inline void RedirectStdoutTo(const std::string& path) {
    std::fflush(stdout);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        dup2(fd, 1);
        close(fd);
    }
}

inline std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs `statement` in a child process, expects exit code 1 and exactly
// `expected` on its standard output.
#define EXPECT_FATAL_OUTPUT(statement, expected)                                                   \
    do {                                                                                           \
        GTEST_FLAG_SET(death_test_style, "threadsafe");                                            \
        const std::string outPath_ = TestFilePath(".stdout");                                      \
        std::remove(outPath_.c_str());                                                             \
        EXPECT_EXIT(                                                                               \
            {                                                                                      \
                RedirectStdoutTo(outPath_);                                                        \
                statement;                                                                         \
            },                                                                                     \
            testing::ExitedWithCode(1), "");                                                       \
        EXPECT_EQ(ReadTextFile(outPath_), expected);                                               \
        std::remove(outPath_.c_str());                                                             \
    } while (0)
