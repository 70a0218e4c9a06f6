// SPDX-License-Identifier: GPL-3.0-or-later
// TestSupport: temporary folders, file helpers, folder snapshots, scripted services, and how
// table rows and messages print.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "FaultInjection.h"
#include "RunServices.h"
#include "modGSI.h"

namespace tessavo {

// Messages print as their lines in failed expectations.
inline void PrintTo(const Message& message, std::ostream* os) {
    *os << "{kind " << static_cast<int>(message.kind) << ", icon " << static_cast<int>(message.icon)
        << ", buttons " << static_cast<int>(message.buttons) << ", title "
        << (message.title ? '"' + *message.title + '"' : "none") << ", lines:";
    for (const std::string& line : message.lines) *os << " \"" << line << '"';
    if (!message.details.empty()) *os << ", details:";
    for (const std::string& line : message.details) *os << " \"" << line << '"';
    *os << '}';
}

}  // namespace tessavo

namespace tessavo::test {

// Records every request of a run and answers message boxes from a script (OK when the
// script is used up).
class FakeServices : public RunServices {
  public:
    OutputFormat format = OutputFormat::SameAsInput;
    std::vector<MessageAnswer> answers;
    std::vector<Message> messages;
    int yields = 0;
    int stopAfterYields = -1;            // ProcessEvents() answers false from this call on
    std::atomic<bool> stopAsked{false};  // as a Ctrl+C would; set from any thread
    int formatQueries = 0;
    bool madeDefault = false;
    Progress lastProgress;
    std::function<void(int)> onYield;  // called with the yield's number, from 1

    OutputFormat CurrentOutputFormat() override {
        ++formatQueries;
        return format;
    }
    MessageAnswer ShowMessage(const Message& message) override {
        messages.push_back(message);
        if (answers.empty()) return MessageAnswer::Ok;
        const MessageAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    bool ProcessEvents(const Progress& progress) override {
        ++yields;
        lastProgress = progress;
        if (onYield) onYield(yields);
        return !stopAsked && (stopAfterYields < 0 || yields < stopAfterYields);
    }
    void MakeProcessDefault() override { madeDefault = true; }
};

// A warning in a box titled "Let op", as the engine asks, refuses and fails.
inline Message LetOp(MessageKind kind, std::vector<std::string> lines,
                     MessageButtons buttons = MessageButtons::Ok) {
    return {kind, std::move(lines), MessageIcon::Warning, buttons, "Let op", {}};
}

// Routes every call of the engine's file layer through `hook` while the object lives.
class FileCallHook {
  public:
    explicit FileCallHook(fs::CallHook hook) { fs::SetCallHook(std::move(hook)); }
    ~FileCallHook() { fs::SetCallHook({}); }
    FileCallHook(const FileCallHook&) = delete;
    FileCallHook& operator=(const FileCallHook&) = delete;
};

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The UTF-8 path of `name` inside the folder.
    std::string operator/(const std::string& name) const;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// GoogleTest prints a table's row by its name. A test file brings this into the namespace of
// its rows with `using test::PrintTo;`, where GoogleTest looks for it.
template <class Row>
requires requires(const Row& row) { row.name; }
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

// Names each test of a table after its row's `name`.
struct RowName {
    template <class Row>
    std::string operator()(const testing::TestParamInfo<Row>& info) const {
        return info.param.name;
    }
};

// Whether the tests run on Windows, where some tests do not apply: making a symbolic link
// needs a privilege, there is no /dev/full, and names that differ only in letter case name
// one file.
#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// The UTF-8 text of a file-system path, the form the engine takes paths in.
std::string FromFsPath(const std::filesystem::path& path);

// Everything in a folder, for byte-for-byte comparisons: each name with its content (a
// link's target, "<folder>" and so on for what is no regular file).
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::filesystem::path& folder);

// These take UTF-8 paths and convert them as the engine does.

// Converts one record line to GSI-8 or GSI-16 (`target`) into `out`.
LineConversion Convert(const std::string& line, int target, std::string& out);

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);  // fails the test when it is missing
bool Exists(const std::string& path);           // anything at all stands at the path

}  // namespace tessavo::test
