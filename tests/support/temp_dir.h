// A fresh folder for one test, made the working directory while it lives.
// CTest runs tests in parallel from one folder, so anything a test writes by
// a fixed name ("game.cfg", "res/base.res") must live in its own folder.
#pragma once

#include <string>

class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};
