#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace qor::test {

// A fresh folder of script files for one test, removed afterwards.
class ScriptFiles {
public:
    ScriptFiles() {
        // Test processes run side by side: each draws a folder prefix of its own.
        static unsigned const process = std::random_device{}();
        static int counter = 0;
        dir_ = std::filesystem::temp_directory_path() /
               ("qor-test-" + std::to_string(process) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(dir_);
    }
    ~ScriptFiles() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    ScriptFiles(ScriptFiles const&) = delete;
    ScriptFiles& operator=(ScriptFiles const&) = delete;

    std::filesystem::path write(std::string_view name, std::string_view text) const {
        auto path = dir_ / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // The UTF-8 path, as a script would name the file.
    std::string name(std::string_view file) const { return (dir_ / file).string(); }

private:
    std::filesystem::path dir_;
};

} // namespace qor::test
