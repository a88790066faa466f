// The game's diagnostics go to standard output; in a fuzz run they would
// drown the fuzzer's own report.
#pragma once

#include <cstdio>

inline void SilenceDiagnostics() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        return;
}
