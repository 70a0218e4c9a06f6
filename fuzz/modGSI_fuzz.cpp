// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as one record line through both conversions, checking
// what every converted line must satisfy, and the list of the values they cut.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "modGSI.h"

namespace {

using tessavo::LineConversion;

// Aborts, so that libFuzzer keeps the input, when a property does not hold.
void Check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

// Converts into a buffer of exactly MaxConvertedLength characters, so that the address
// sanitizer sees any write beyond it.
std::string Convert(std::string_view line, int target, LineConversion& converted) {
    const std::size_t room = tessavo::MaxConvertedLength(line.size());
    const auto buffer = std::make_unique<char[]>(room);
    converted = target == 16 ? tessavo::ConvertLineToGSI16(line, buffer.get())
                             : tessavo::ConvertLineToGSI8(line, buffer.get());
    Check(converted.size <= room, "size beyond MaxConvertedLength");
    return std::string(buffer.get(), converted.size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    LineConversion to8, to16, again;
    std::string gsi8, gsi16;
    try {
        gsi8 = Convert(line, 8, to8);
        gsi16 = Convert(line, 16, to16);
    } catch (const tessavo::GsiOverflowError&) {
        return 0;  // too long for 16-bit positions, in either format
    }
    Check(tessavo::ConvertToGSI8(line) == gsi8 && tessavo::ConvertToGSI16(line) == gsi16,
          "the two entry points differ");
    Check(to8.unchanged == to16.unchanged, "copied unchanged in one format only");
    if (to8.unchanged) {
        Check(gsi8 == line && gsi16 == line, "a line copied unchanged changed");
        return 0;
    }
    Check(to8.cutValues >= 0 && to16.cutValues >= 0, "a negative count of cut values");
    Check(gsi8.size() % 16 == 0 && (gsi16.empty() || (gsi16.size() - 1) % 24 == 0),
          "not whole words");
    Check(tessavo::ListCutValues(line, 8).size() == static_cast<std::size_t>(to8.cutValues) &&
              tessavo::ListCutValues(line, 16).size() == static_cast<std::size_t>(to16.cutValues),
          "the list of values cut disagrees with their count");
    for (const auto& [out, target] : {std::pair{gsi8, 8}, std::pair{gsi16, 16}}) {
        if (out.size() > static_cast<std::size_t>(tessavo::kMaxWordText)) continue;
        Check(Convert(out, target, again) == out && again.cutValues == 0 && !again.unchanged,
              "cleaning a clean line changed it");
    }
    if (to16.cutValues == 0 && gsi16.size() <= static_cast<std::size_t>(tessavo::kMaxWordText)) {
        Check(Convert(gsi16, 8, again) == gsi8, "through GSI-16 differs from GSI-8 directly");
    }
    return 0;
}
