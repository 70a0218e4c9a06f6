// SPDX-License-Identifier: GPL-3.0-or-later
// modFileHandling: the existence test and the routines that cut a path at its separators.
#include "modFileHandling.h"

#include <stdexcept>
#include <system_error>

#include "FileSystem.h"

namespace tessavo {

namespace {

constexpr std::string_view kDirectorySeparators = "\\/";

// Position just after the last of `separators`, counted from 1 as a 16-bit number would
// count it; 0 when the path holds none.
std::size_t PositionAfterLast(std::string_view path, std::string_view separators) {
    const std::size_t hit = path.find_last_of(separators);
    if (hit == std::string_view::npos) return 0;
    const std::size_t after = hit + 2;
    if (after > 32767) throw std::overflow_error("path separator beyond position 32767");
    return after;
}

std::size_t RequirePositionAfterLast(std::string_view path, std::string_view separators) {
    const std::size_t after = PositionAfterLast(path, separators);
    if (after == 0) throw std::invalid_argument("path holds no separator: " + std::string(path));
    return after;
}

}  // namespace

std::filesystem::path ToFsPath(std::string_view path) {
    const std::u8string utf8(reinterpret_cast<const char8_t*>(path.data()), path.size());
    return std::filesystem::path(utf8);
}

bool FileExists(std::string_view path) {
    if (path.empty()) return false;
    std::error_code ec;
    const fs::FileInfo info = fs::Inspect(std::string(path), ec);
    if (ec) throw std::system_error(ec, "cannot look at " + std::string(path));
    return info.kind == fs::Kind::Regular;
}

std::string TidyWindowsPath(std::string_view path) {
    while (!path.empty() && path.back() == ' ') path.remove_suffix(1);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
        path = path.substr(1, path.size() - 2);
    }
    const std::size_t nameStart = path.find_last_of(kDirectorySeparators) + 1;  // npos + 1 = 0
    std::size_t end = path.size();
    while (end > nameStart && (path[end - 1] == ' ' || path[end - 1] == '.')) --end;
    if (end == nameStart) return std::string(path);  // "..", or a name of blanks only
    return std::string(path.substr(0, end));
}

std::string TypedPath(std::string_view path) {
#ifdef _WIN32
    return TidyWindowsPath(path);
#else
    return std::string(path);
#endif
}

std::string GetFilePath(std::string_view path) {
    return std::string(path.substr(0, RequirePositionAfterLast(path, kDirectorySeparators) - 1));
}

std::string GetFileName(std::string_view path) {
    return std::string(path.substr(RequirePositionAfterLast(path, kDirectorySeparators) - 1));
}

std::string GetFileExtension(std::string_view path) {
    return std::string(path.substr(RequirePositionAfterLast(path, ".") - 1));
}

}  // namespace tessavo
