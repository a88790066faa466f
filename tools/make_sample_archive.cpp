// Writes the sample data archive that lets the game start without its real
// data: make_sample_archive <path>, usually run/res/base.res.
#include <cstdio>

#include "tests/support/sample_archive.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <archive path>\n", argv[0]);
        return 2;
    }
    if (!WriteSampleArchive(argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
