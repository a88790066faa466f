// Writes the sample data archive that lets the game start without its real
// data, and the level files it names: make_sample_archive <path>, usually
// run/res/base.res. The level files are the ones the level editor saves, so
// a file already there is kept unless --overwrite-levels says otherwise.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/sample/sample_archive.h"

namespace {

void PrintUsage(FILE* out, const char* program) {
    std::fprintf(out, "usage: %s [options] <archive path>\n", program);
    std::fprintf(out, "Writes the sample data archive, usually run/res/base.res, and its level\n"
                      "files level1.lvl, level2.lvl, ... in the game's working folder, where the\n"
                      "game loads them and the level editor saves them (Ctrl+S). A level file\n"
                      "that is already there is kept, with any edits made to it; one exactly as\n"
                      "an earlier version of this tool wrote it is replaced by the new level.\n");
    std::fprintf(out, "  %-22s the game's working folder (default: the folder above the\n",
                 "--game-folder <dir>");
    std::fprintf(out, "  %-22s archive's, since the game opens res/base.res from it)\n", "");
    std::fprintf(out, "  %-22s write every level file anew, losing edits made to them\n",
                 "--overwrite-levels");
    std::fprintf(out, "  %-22s this text\n", "-h, --help");
}

struct Arguments {
    std::string archive;
    std::string gameFolder;
    bool gameFolderGiven = false;
    bool overwrite = false;
};

// False on a command line that is not understood.
bool ParseArguments(int argc, char** argv, Arguments* out) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--overwrite-levels") {
            out->overwrite = true;
        } else if (arg == "--game-folder" && i + 1 < argc) {
            out->gameFolder = argv[++i];
            out->gameFolderGiven = true;
        } else if (arg.empty() || arg[0] == '-' || !out->archive.empty()) {
            // A path that looks like an option is a mistyped command line,
            // not a file the user wants.
            return false;
        } else {
            out->archive = arg;
        }
    }
    return !out->archive.empty();
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout, argv[0]);
            return 0;
        }
    }
    Arguments arguments;
    if (!ParseArguments(argc, argv, &arguments)) {
        PrintUsage(stderr, argv[0]);
        return 2;
    }
    if (!arguments.gameFolderGiven)
        arguments.gameFolder =
            std::filesystem::path(arguments.archive).parent_path().parent_path().string();
    std::vector<std::string> kept;
    OutsideFileOptions levelFiles;
    levelFiles.folder = arguments.gameFolder;
    levelFiles.overwrite = arguments.overwrite;
    levelFiles.kept = &kept;
    if (!WriteSampleArchive(arguments.archive, levelFiles)) {
        std::fprintf(stderr, "cannot write %s or its level files\n", arguments.archive.c_str());
        return 1;
    }
    for (const std::string& path : kept)
        std::printf("kept %s (--overwrite-levels replaces it)\n", path.c_str());
    return 0;
}
