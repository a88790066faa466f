// Writes a "game.cfg", changed by options such as --fullscreen 0
// --renderer 2 --editor 1 --width 640 --height 480 --fps 40: over the
// settings of the game.cfg already there, else over the defaults.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/bytes.h"
#include "engine/config.h"
#include "engine/safe_file.h"

namespace {

constexpr uint32_t kFileSize = 4 + GAME_CONFIG_FILE_SIZE; // version word, block

struct Option {
    const char* name;
    int32_t GameConfig::*field; // null for --colour16, the one 16-bit field
    long low;
    long high;
    const char* meaning;
};

// Ranges keep out values the game cannot start with, so a typo shows up
// here rather than as a game that will not open its window.
const Option kOptions[] = {
    {"--width", &GameConfig::screenWidth, 1, 16384, "screen width in pixels (default 800)"},
    {"--height", &GameConfig::screenHeight, 1, 16384, "screen height in pixels (default 600)"},
    {"--fps", &GameConfig::framesPerSecond, 1, 1000, "frames per second (default 40)"},
    {"--fullscreen", &GameConfig::fullscreen, 0, 1, "1 full screen, 0 a window (default 1)"},
    {"--reduce", &GameConfig::reduceTextures, 0, 1,
     "1 keeps textures in 16-bit colour (default 0)"},
    {"--renderer", &GameConfig::rendererKind, 1, 2, "1 Direct3D 9, 2 OpenGL (default 1)"},
    {"--editor", &GameConfig::editorEnabled, 0, 1, "1 starts the level editor too (default 0)"},
    {"--colour16", nullptr, 0, 1, "1 a 16-bit screen, 0 a 32-bit one (default 0)"},
};

void PrintUsage(FILE* out, const char* program) {
    std::fprintf(out, "usage: %s <path> [--option value]...\n", program);
    std::fprintf(out, "Writes a game.cfg at <path>. When <path> holds a game.cfg already, only\n"
                      "the options given change and every other setting stays as it is; else\n"
                      "the file is new: the defaults, changed by the options. Any other file\n"
                      "at <path> is left alone.\n");
    for (const Option& o : kOptions) {
        char range[32];
        std::snprintf(range, sizeof(range), "%ld..%ld", o.low, o.high);
        std::fprintf(out, "  %-12s %-9s %s\n", o.name, range, o.meaning);
    }
    std::fprintf(out, "  %-22s this text\n", "-h, --help");
}

const Option* FindOption(const char* name) {
    for (const Option& o : kOptions)
        if (std::strcmp(name, o.name) == 0)
            return &o;
    return nullptr;
}

// atoi would take "abc" as 0 and "1e3" as 1 without a word.
bool ParseValue(const char* text, const Option& option, long* value) {
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE)
        return false;
    if (v < option.low || v > option.high)
        return false;
    *value = v;
    return true;
}

void Apply(GameConfig* config, const Option& option, long value) {
    if (option.field != nullptr)
        config->*option.field = static_cast<int32_t>(value);
    else
        config->colour16 = static_cast<uint16_t>(value);
}

enum class Existing { kNone, kConfig, kOther };

// Up to `capacity` bytes of the regular file at `path`: the count read, or
// -1 with the reason in *why. Only a regular file is opened, and never in a
// way that waits on a FIFO by that name.
ssize_t ReadRegularFile(const char* path, uint8_t* bytes, size_t capacity, std::string* why) {
    const char* reason = nullptr;
    const int fd = OpenRegularFile(path, &reason);
    if (fd < 0) {
        *why = reason != nullptr ? reason : std::strerror(errno);
        return -1;
    }
    ssize_t size = 0;
    while (size >= 0 && static_cast<size_t>(size) < capacity) {
        const ssize_t got = read(fd, bytes + size, capacity - static_cast<size_t>(size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *why = std::strerror(errno);
            size = -1;
        }
        if (got <= 0)
            break;
        size += got;
    }
    close(fd);
    return size;
}

// The game.cfg at `path` read into `config` as the game reads it: the
// version word 10, then up to the whole block (a short file leaves the rest
// as it was). kOther, with the reason in *why, for anything at `path` that
// is not a game.cfg: a game.sav has the same version word, so a file longer
// than a game.cfg is not one either.
Existing ReadExisting(const char* path, GameConfig* config, std::string* why) {
    struct stat info;
    // A dangling link counts as missing: the new file is saved through it.
    if (stat(path, &info) != 0 && errno == ENOENT)
        return Existing::kNone;
    uint8_t bytes[kFileSize + 1];
    const ssize_t size = ReadRegularFile(path, bytes, sizeof(bytes), why);
    if (size < 0)
        return Existing::kOther;
    if (size < 4) {
        *why = "too short for a version word";
        return Existing::kOther;
    }
    if (GetU32LE(bytes) != DATA_FILE_VERSION) {
        *why = "version " + std::to_string(GetU32LE(bytes)) + ", not " +
               std::to_string(DATA_FILE_VERSION);
        return Existing::kOther;
    }
    if (size > static_cast<ssize_t>(kFileSize)) {
        *why = "longer than a game.cfg";
        return Existing::kOther;
    }
    uint8_t block[GAME_CONFIG_FILE_SIZE];
    GameConfigToBytes(*config, block);
    std::memcpy(block, bytes + 4, static_cast<size_t>(size) - 4);
    GameConfigFromBytes(block, config);
    return Existing::kConfig;
}

bool IsHelp(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

int BadArguments(const char* program, const char* what, const char* arg) {
    std::fprintf(stderr, "%s: %s %s\n", program, what, arg);
    PrintUsage(stderr, program);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const char* program = argv[0];
    for (int i = 1; i < argc; ++i) {
        if (IsHelp(argv[i])) {
            PrintUsage(stdout, program);
            return 0;
        }
    }
    if (argc < 2)
        return BadArguments(program, "missing", "<path>");
    // A path that looks like an option is a mistyped command line, not a
    // file the user wants.
    if (argv[1][0] == '-')
        return BadArguments(program, "expected a path first, not", argv[1]);
    // Every option is checked before the file is read or written.
    std::vector<std::pair<const Option*, long>> changes;
    for (int i = 2; i < argc; i += 2) {
        const Option* option = FindOption(argv[i]);
        if (option == nullptr)
            return BadArguments(program, "unknown option", argv[i]);
        if (i + 1 >= argc)
            return BadArguments(program, "no value for", argv[i]);
        long value = 0;
        if (!ParseValue(argv[i + 1], *option, &value)) {
            std::fprintf(stderr, "%s: %s needs a whole number from %ld to %ld, not \"%s\"\n",
                         program, option->name, option->low, option->high, argv[i + 1]);
            PrintUsage(stderr, program);
            return 2;
        }
        changes.emplace_back(option, value);
    }
    GameConfig config = {};
    SetDefaultConfig(&config);
    std::string why;
    if (ReadExisting(argv[1], &config, &why) == Existing::kOther) {
        std::fprintf(stderr, "%s: %s is not a game.cfg (%s); it is left as it was\n", program,
                     argv[1], why.c_str());
        return 1;
    }
    for (const auto& [option, value] : changes)
        Apply(&config, *option, value);
    uint8_t bytes[GAME_CONFIG_FILE_SIZE];
    GameConfigToBytes(config, bytes);
    // The writer has said why when it fails.
    return WriteDataFile(argv[1], bytes, GAME_CONFIG_FILE_SIZE) != 0 ? 1 : 0;
}
