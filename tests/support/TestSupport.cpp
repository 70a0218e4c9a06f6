// SPDX-License-Identifier: GPL-3.0-or-later
// TestSupport: temporary folders, file helpers, folder snapshots and scripted services.
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

Snapshot TakeSnapshot(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    Snapshot snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::u8string relative = entry.path().lexically_relative(folder).generic_u8string();
        const std::string name(relative.begin(), relative.end());
        const fs::file_status status = entry.symlink_status();
        if (fs::is_symlink(status)) {
            snapshot[name] = "<link to " + fs::read_symlink(entry.path()).generic_string() + ">";
        } else if (fs::is_directory(status)) {
            snapshot[name] = "<folder>";
        } else if (fs::is_regular_file(status)) {
            snapshot[name] = ReadFile(FromFsPath(entry.path()));
        } else {
            snapshot[name] = "<other>";
        }
    }
    return snapshot;
}

LineConversion Convert(const std::string& line, int target, std::string& out) {
    out.assign(MaxConvertedLength(line.size()), '\0');
    const LineConversion converted =
        target == 16 ? ConvertLineToGSI16(line, out.data()) : ConvertLineToGSI8(line, out.data());
    out.resize(converted.size);
    return converted;
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
