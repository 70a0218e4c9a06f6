// SPDX-License-Identifier: GPL-3.0-or-later
// modFileHandling: the existence test and the routines that cut a path at its separators.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tessavo {

// Paths are UTF-8 texts. Both "\" and "/" separate directories, so that paths of every
// platform work; "." separates the extension. The three text routines throw
// std::invalid_argument when their separator is missing and std::overflow_error when it
// stands beyond a 16-bit position.

// True only for a regular file (a link to one counts); false for a folder, a device,
// nothing, or an empty path. Throws std::system_error when the path cannot be looked at.
bool FileExists(std::string_view path);

// The path up to and including its last directory separator.
std::string GetFilePath(std::string_view path);
// Everything after the last directory separator; empty when the path ends in one.
std::string GetFileName(std::string_view path);
// Everything after the last "." (wherever it stands), letter case unchanged.
std::string GetFileExtension(std::string_view path);

// A path as Windows itself reads a typed or pasted name: double quotes around the whole
// path (as Explorer's "Copy as path" adds them) and blanks and dots at its end dropped. A
// last name of dots only ("." or "..") stays as it is.
std::string TidyWindowsPath(std::string_view path);
// The path that a run takes from a path box or an argument: TidyWindowsPath on Windows,
// where no name can end in a blank or a dot; elsewhere the text exactly as typed.
std::string TypedPath(std::string_view path);

// The file-system path for a UTF-8 path text (for the tests and tools beside the engine,
// which reach files through the standard library).
std::filesystem::path ToFsPath(std::string_view path);

}  // namespace tessavo
