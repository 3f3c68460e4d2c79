#pragma once
// The three base folders of one extraction.
#include <string>

namespace tw {

struct target_folders {
    std::wstring install_path;
    std::wstring sample_path;
    std::wstring temporary_path;
};

} // namespace tw
