#pragma once
// A private folder for one fuzz process, made at start and removed at exit.

#include "support/temp_dir.h"

#include <cstdlib>
#include <string>

inline const std::string& fuzzTempDir() {
    static const TempDir folder;
    if (folder.path().empty()) std::abort();
    return folder.path();
}
