#pragma once
// A private folder for one fuzz process, made at start and removed at exit.

#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string& fuzzTempDir() {
    struct Folder {
        std::string path;
        Folder() {
            std::string pattern = (std::filesystem::temp_directory_path() / "torvik-fuzz-XXXXXX").string();
            if (!::mkdtemp(pattern.data())) std::abort();
            path = pattern;
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return folder.path;
}
