// SPDX-License-Identifier: GPL-3.0-or-later
// FaultInjection: where the engine's tests make its file calls fail, stop or end a run.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <system_error>

// Front ends never use this: the engine's entry points take no test parameters. The tests
// route the file layer's calls through a hook of their own, as a library's tests replace
// the system calls it makes, to fail a write or a rename at a chosen step, to stop a run
// or to kill the process there.
namespace tessavo::fs {

// The calls of the file layer, each named once.
enum class Call {
    Inspect,  // Inspect, KeyOf, FinalTarget
    Open,     // OpenForReading, OpenToReplace
    Create,   // CreateNew
    Read,
    Write,
    Rewind,
    Sync,
    KeepFrom,
    Lock,
    Close,
    Link,
    Replace,
    Move,  // MoveNoReplace
    Remove,
    SyncFolder,
};

// Called before every call of the file layer, from the thread that makes it, with the path
// concerned (empty for a call on an open file). An error it answers is what the call fails
// with, without reaching the system.
using CallHook = std::function<std::error_code(Call call, std::string_view path)>;

// Sets the hook; an empty one lets every call through. Set it only while no run goes on.
void SetCallHook(CallHook hook);

// What the file layer's calls ask first.
std::error_code BeforeCall(Call call, std::string_view path);

}  // namespace tessavo::fs

namespace tessavo {

// A run fails when its line count would pass this; the signed 32-bit limit unless a test
// lowers it, since no test can write two billion lines.
void SetMaxLineCount(std::int32_t limit);
std::int32_t MaxLineCount();

}  // namespace tessavo
