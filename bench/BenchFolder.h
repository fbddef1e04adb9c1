#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <stdlib.h>

// A fresh folder in the temporary directory for one bench run, removed at the
// end unless PONTRA_BENCH_KEEP is set (then its path is printed).
class BenchFolder {
public:
    BenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "pontra-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
        else
            std::fprintf(stderr, "cannot make a temporary folder\n");
    }
    ~BenchFolder()
    {
        if (path_.empty())
            return;
        if (std::getenv("PONTRA_BENCH_KEEP")) {
            std::printf("kept = %s\n", path_.c_str());
            return;
        }
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder &) = delete;
    BenchFolder &operator=(const BenchFolder &) = delete;

    bool Made() const { return !path_.empty(); }
    const std::filesystem::path &Path() const { return path_; }

private:
    std::filesystem::path path_;
};
