#pragma once
// A test's own temporary folder: made empty at the start, removed at the end, with the file
// helpers the tests of file readers and writers share.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testutil {

class TTempFolder {
public:
    // A folder named after the prefix and the process, under the system's temporary folder.
    explicit TTempFolder(const std::string& prefix)
        : dir_(std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~TTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    // Writes the bytes as the named file; answers its path.
    std::string Put(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    }
    static std::vector<std::uint8_t> Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path dir_;
};

}  // namespace testutil
