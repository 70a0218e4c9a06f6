// SPDX-License-Identifier: GPL-3.0-or-later
// Utf16: conversions through the system's own UTF-8 code page.
#include "Utf16.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

namespace tessavo {

namespace {

int Length(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::length_error("text too long for a Windows call");
    return static_cast<int>(size);
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = Length(utf8.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), wide);
    return text;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int size = Length(utf16.size());
    const int narrow =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, text.data(), narrow, nullptr, nullptr);
    return text;
}

}  // namespace tessavo
