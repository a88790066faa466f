// File permissions that bind in a test even when the tests run as root, as
// they do in CI: the scenario runs in a forked child that first gives up
// the capabilities overriding them, so a folder or file the player may not
// write or read is closed to it as to anyone else.
#pragma once

#include <functional>
#include <string>

struct ChildRun {
    bool finished = false; // the child ran the scenario to its end
    std::string said;      // what it printed
};

// Runs `scenario` in the child, in the same working folder; the parent
// checks the files it left.
ChildRun RunWithoutFilePowers(const std::function<void()>& scenario);
