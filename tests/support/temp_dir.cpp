#include "tests/support/temp_dir.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

ScopedTempDir::ScopedTempDir() {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof(cwd)) != nullptr)
        previous_ = cwd;
    std::string pattern = (std::filesystem::temp_directory_path() / "qb-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
    if (chdir(path_.c_str()) != 0)
        throw std::runtime_error("cannot enter the temporary folder");
}

ScopedTempDir::~ScopedTempDir() {
    if (!previous_.empty() && chdir(previous_.c_str()) != 0)
        return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
