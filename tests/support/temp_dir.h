#pragma once

// A folder of its own for one test, made under the system's temporary folder
// and removed with everything in it when the test ends.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace kit85::testing {

class TempDir {
public:
    // `prefix` names the folder, so a leftover says which tests made it.
    explicit TempDir(const std::string& prefix = "kit85-test") {
        std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a temporary folder from " + tmpl);
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        // A test may have taken the owner's rights away to see a refusal.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes `contents` to the file `name` in the folder; returns its path.
    std::filesystem::path write(const std::string& name, const std::string& contents) const {
        std::ofstream(path_ / name, std::ios::binary) << contents;
        return path_ / name;
    }
    // The bytes of the file `name` in the folder ("" when there is none).
    std::string read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::filesystem::path path_;
};

}  // namespace kit85::testing
