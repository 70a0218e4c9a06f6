// Tessavo - cleaning of Leica GSI measurement files.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

namespace tessavo::test {

TempDir::TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("tessavo-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

Snapshot TakeSnapshot(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    Snapshot snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).generic_string();
        const fs::file_status status = entry.symlink_status();
        if (fs::is_symlink(status)) {
            snapshot[name] = "<link to " + fs::read_symlink(entry.path()).generic_string() + ">";
        } else if (fs::is_directory(status)) {
            snapshot[name] = "<folder>";
        } else if (fs::is_regular_file(status)) {
            snapshot[name] = ReadFile(entry.path().string());
        } else {
            snapshot[name] = "<other>";
        }
    }
    return snapshot;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing " << path;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() !=
           std::filesystem::file_type::not_found;
}

}  // namespace tessavo::test
