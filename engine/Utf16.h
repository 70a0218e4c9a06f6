// SPDX-License-Identifier: GPL-3.0-or-later
// Utf16: the program's UTF-8 texts in and out of the UTF-16 that Windows' calls take, for the
// file layer, the window and the command line alike (built on Windows only).
#pragma once

#include <string>
#include <string_view>

namespace tessavo {

// Invalid UTF-8 bytes become U+FFFD; lone UTF-16 surrogates become U+FFFD too.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace tessavo
