// SPDX-License-Identifier: GPL-3.0-or-later
// FaultInjection: the hook before every file call, and the line-count limit.
#include "FaultInjection.h"

#include <limits>

namespace tessavo {

namespace fs {

namespace {

CallHook& Hook() {
    static CallHook hook;
    return hook;
}

}  // namespace

void SetCallHook(CallHook hook) { Hook() = std::move(hook); }

std::error_code BeforeCall(Call call, std::string_view path) {
    const CallHook& hook = Hook();
    return hook ? hook(call, path) : std::error_code();
}

}  // namespace fs

namespace {

std::int32_t& Limit() {
    static std::int32_t limit = std::numeric_limits<std::int32_t>::max();
    return limit;
}

}  // namespace

void SetMaxLineCount(std::int32_t limit) { Limit() = limit; }
std::int32_t MaxLineCount() { return Limit(); }

}  // namespace tessavo
