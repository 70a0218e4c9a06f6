// Tessavo - cleaning of Leica GSI measurement files.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "modFileHandling.h"

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

std::string TempDir::operator/(const std::string& name) const {
    return FromFsPath(path_ / ToFsPath(name));
}

std::string FromFsPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(ToFsPath(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(ToFsPath(path), std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing " << path;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(ToFsPath(path), ec).type() !=
           std::filesystem::file_type::not_found;
}

}  // namespace tessavo::test
