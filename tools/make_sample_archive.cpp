// Writes the sample data archive that lets the game start without its real
// data: make_sample_archive <path>, usually run/res/base.res.
#include <cstdio>
#include <cstring>

#include "tools/sample/sample_archive.h"

namespace {

void PrintUsage(FILE* out, const char* program) {
    std::fprintf(out, "usage: %s <archive path>\n", program);
    std::fprintf(out, "Writes the sample data archive, usually run/res/base.res.\n");
    std::fprintf(out, "  %-22s this text\n", "-h, --help");
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout, argv[0]);
            return 0;
        }
    }
    // A path that looks like an option is a mistyped command line, not a
    // file the user wants.
    if (argc != 2 || argv[1][0] == '-') {
        PrintUsage(stderr, argv[0]);
        return 2;
    }
    if (!WriteSampleArchive(argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
