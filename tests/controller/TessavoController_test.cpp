// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the window's logic through a fake view, fake dialogs and a store in memory.
#include "TessavoController.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>

#include "FakeDialogs.h"
#include "FakeView.h"
#include "MemorySettingsStore.h"
#include "TestSupport.h"

namespace tessavo {
namespace {

using test::FakeDialogs;
using test::FakeView;
using test::MemorySettingsStore;
using test::ReadFile;
using test::RowName;
using test::TempDir;
using test::WriteFile;
using Stored = std::map<std::string, std::string>;
using namespace std::chrono_literals;

// Each table row is printed by its name.
template <class Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

constexpr auto Same = OutputFormat::SameAsInput;
constexpr auto To8 = OutputFormat::Gsi8;
constexpr auto To16 = OutputFormat::Gsi16;

// A clean GSI-8 record line of four words and its GSI-16 form.
std::string Gsi8Line(int n) {
    char line[80];
    std::snprintf(line, sizeof line,
                  "11%04d+0000A%03d 21.324+09000000 31..00+00012345 "
                  "83..00-00001500 ",
                  n, n % 1000);
    return line;
}
std::string Gsi16Line(int n) {
    char line[120];
    std::snprintf(line, sizeof line,
                  "*11%04d+000000000000A%03d 21.324+0000000009000000 "
                  "31..00+0000000000012345 83..00-0000000000001500 ",
                  n, n % 1000);
    return line;
}
std::string Gsi8File(int count) {
    std::string text;
    for (int n = 1; n <= count; ++n) text += Gsi8Line(n) + "\r\n";
    return text;
}

class ControllerTest : public testing::Test {
  public:
    void Open(const Stored& stored, std::chrono::milliseconds eventInterval = 0ms) {
        store.values = stored;
        controller = std::make_unique<TessavoController>(view, dialogs, store, eventInterval);
        view.onClose = [this] { controller->Form_Unload(); };
        controller->Form_Load();
    }
    // The user types into the input box, and the view reports it.
    void Type(const std::string& text) {
        view.input = text;
        controller->txtInputGSI_Change();
    }
    void ClickReplace() {
        view.replace = !view.replace;
        controller->chkReplace_Click();
    }

  protected:
    FakeView view;
    FakeDialogs dialogs;
    MemorySettingsStore store;
    std::unique_ptr<TessavoController> controller;
    TempDir dir;
};

// Start-up: the store into the controls.

struct StartUpCase {
    std::string name;
    Stored stored;
    std::string input;
    std::string output;
    bool replace;
    bool autoBackup;
    OutputFormat format;
};

class StartUpTest : public ControllerTest, public testing::WithParamInterface<StartUpCase> {};

TEST_P(StartUpTest, FillsTheControls) {
    const StartUpCase& c = GetParam();
    Open(c.stored);

    EXPECT_EQ(view.version, "Versie: 1.0.4");
    EXPECT_EQ(view.input, c.input);
    EXPECT_EQ(view.output, c.output);
    EXPECT_EQ(view.replace, c.replace);
    EXPECT_EQ(view.autoBackup, c.autoBackup);
    EXPECT_EQ(view.format, c.format);
    // Only the toggle touches the output controls; without it they keep their design state.
    EXPECT_EQ(view.outputEnabled, c.replace ? std::optional(false) : std::nullopt);
    // Nothing is written before the shut-down.
    EXPECT_EQ(store.values, c.stored);
    EXPECT_EQ(store.flushes, 0);
}

const Stored kPaths{{"InputGSI", "/data/in.gsi"}, {"OutputGSI", "/data/out.gsi"}};
Stored With(Stored values) {
    values.insert(kPaths.begin(), kPaths.end());
    return values;
}
// The default path: C:\TEST.GSI on Windows, TEST.GSI in the user's home elsewhere.
std::string HomeTestFile() {
#ifdef _WIN32
    return "C:\\TEST.GSI";
#else
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/TEST.GSI";
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StartUpTest,
    testing::Values(
        StartUpCase{"NothingStored", {}, HomeTestFile(), HomeTestFile(), true, true, Same},
        StartUpCase{"ReplaceOff", With({{"ReplaceGSI", "0"}, {"AutoBackup", "0"}}), "/data/in.gsi",
                    "/data/out.gsi", false, false, Same},
        StartUpCase{"ReplaceOnDropsTheStoredOutput", With({{"ReplaceGSI", "1"}}), "/data/in.gsi",
                    "/data/in.gsi", true, true, Same},
        StartUpCase{"EmptyPathsStayEmpty",
                    {{"InputGSI", ""}, {"OutputGSI", ""}, {"ReplaceGSI", "0"}},
                    "",
                    "",
                    false,
                    true,
                    Same},
        StartUpCase{"Format8", With({{"ReplaceGSI", "0"}, {"OutFormat", "8"}}), "/data/in.gsi",
                    "/data/out.gsi", false, true, To8},
        StartUpCase{"Format16", With({{"ReplaceGSI", "0"}, {"OutFormat", "16"}}), "/data/in.gsi",
                    "/data/out.gsi", false, true, To16},
        // Neither read as a number nor trimmed.
        StartUpCase{"FormatComparedAsText", With({{"ReplaceGSI", "0"}, {"OutFormat", " 8"}}),
                    "/data/in.gsi", "/data/out.gsi", false, true, Same},
        StartUpCase{"FormatOtherNumber", With({{"ReplaceGSI", "0"}, {"OutFormat", "24"}}),
                    "/data/in.gsi", "/data/out.gsi", false, true, Same},
        // Check texts the program never writes give the key's default.
        StartUpCase{"ReplaceTwoGivesDefault", With({{"ReplaceGSI", "2"}}), "/data/in.gsi",
                    "/data/in.gsi", true, true, Same},
        StartUpCase{"ReplaceWordGivesDefault", With({{"ReplaceGSI", "ja"}}), "/data/in.gsi",
                    "/data/in.gsi", true, true, Same},
        StartUpCase{"ReplaceNumberWithBlanks", With({{"ReplaceGSI", " 0 "}}), "/data/in.gsi",
                    "/data/out.gsi", false, true, Same},
        StartUpCase{"AutoBackupNegativeGivesDefault",
                    With({{"ReplaceGSI", "0"}, {"AutoBackup", "-1"}}), "/data/in.gsi",
                    "/data/out.gsi", false, true, Same}),
    RowName());

// Shut-down: the controls into the store.

struct ShutDownCase {
    std::string name;
    bool replace;
    bool autoBackup;
    OutputFormat format;
    Stored stored;
};

class ShutDownTest : public ControllerTest, public testing::WithParamInterface<ShutDownCase> {};

TEST_P(ShutDownTest, StoresEveryKey) {
    const ShutDownCase& c = GetParam();
    Open({{"OutFormat", "24"}});
    view.input = "/data/nieuw.gsi";
    view.output = "";
    view.replace = c.replace;
    view.autoBackup = c.autoBackup;
    view.format = c.format;

    controller->cmdCancel_Click();

    EXPECT_TRUE(view.closed);
    EXPECT_EQ(store.values, c.stored);
    EXPECT_EQ(store.flushes, 1);
    // The close that follows the Exit button, or a second close, stores nothing more.
    view.input = "/data/later.gsi";
    controller->Form_Unload();
    EXPECT_EQ(store.values, c.stored);
    EXPECT_EQ(store.flushes, 1);
}

INSTANTIATE_TEST_SUITE_P(Settings, ShutDownTest,
                         testing::Values(ShutDownCase{"Format16ChecksClear",
                                                      false,
                                                      false,
                                                      To16,
                                                      {{"InputGSI", "/data/nieuw.gsi"},
                                                       {"OutputGSI", ""},
                                                       {"ReplaceGSI", "0"},
                                                       {"AutoBackup", "0"},
                                                       {"OutFormat", "16"}}},
                                         ShutDownCase{"Format8ChecksSet",
                                                      true,
                                                      true,
                                                      To8,
                                                      {{"InputGSI", "/data/nieuw.gsi"},
                                                       {"OutputGSI", ""},
                                                       {"ReplaceGSI", "1"},
                                                       {"AutoBackup", "1"},
                                                       {"OutFormat", "8"}}},
                                         ShutDownCase{"SameFormat",
                                                      false,
                                                      true,
                                                      Same,
                                                      {{"InputGSI", "/data/nieuw.gsi"},
                                                       {"OutputGSI", ""},
                                                       {"ReplaceGSI", "0"},
                                                       {"AutoBackup", "1"},
                                                       {"OutFormat", "0"}}}),
                         RowName());

// The replace toggle, and the output following the input while it is checked.

struct ToggleCase {
    std::string name;
    bool replace;  // stored
    std::function<void(ControllerTest&)> act;
    std::string output;
    bool outputEnabled;
};

class ToggleTest : public ControllerTest, public testing::WithParamInterface<ToggleCase> {};

TEST_P(ToggleTest, OutputFollowsOnlyWhileChecked) {
    const ToggleCase& c = GetParam();
    Open(With({{"ReplaceGSI", c.replace ? "1" : "0"}}));
    c.act(*this);
    EXPECT_EQ(view.output, c.output);
    EXPECT_EQ(view.outputEnabled, c.outputEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Replace, ToggleTest,
    testing::Values(
        ToggleCase{"CheckingCopiesTheInputAndGreysTheOutput", false,
                   [](ControllerTest& test) { test.ClickReplace(); }, "/data/in.gsi", false},
        ToggleCase{"ClearingFreesTheOutputAndKeepsTheCopy", true,
                   [](ControllerTest& test) { test.ClickReplace(); }, "/data/in.gsi", true},
        ToggleCase{"TypingMovesTheOutputWhileChecked", true,
                   [](ControllerTest& test) { test.Type("/b/nieuw.gsi"); }, "/b/nieuw.gsi", false},
        ToggleCase{"TypingLeavesAFreeOutput", true,
                   [](ControllerTest& test) {
                       test.ClickReplace();
                       test.Type("/b/nieuw.gsi");
                   },
                   "/data/in.gsi", true}),
    RowName());

// Browsing.

const FileDialogRequest kRequest{
    "",
    "",
    {{"GSI bestanden (*.gsi;*.raw)", {"*.gsi", "*.raw"}}, {"Alle bestanden (*.*)", {"*"}}},
    "GSI"};

FileDialogRequest Request(std::string title, std::string directory) {
    FileDialogRequest request = kRequest;
    request.title = std::move(title);
    request.directory = std::move(directory);
    return request;
}

struct InputBrowseCase {
    std::string name;
    bool replace;
    std::string input;  // set in the box without the view reporting it
    std::optional<std::string> answer;
    std::string directory;  // empty: no dialog
    std::string newInput;
    std::string newOutput;
};

class InputBrowseTest : public ControllerTest,
                        public testing::WithParamInterface<InputBrowseCase> {};

TEST_P(InputBrowseTest, ChangesTheBoxes) {
    const InputBrowseCase& c = GetParam();
    Open({{"InputGSI", "/data/stored.gsi"},
          {"OutputGSI", "/data/out.gsi"},
          {"ReplaceGSI", c.replace ? "1" : "0"}});
    view.input = c.input;
    dialogs.fileAnswers = {c.answer};

    controller->cmdInputGSI_Click();

    if (c.directory.empty()) {
        EXPECT_TRUE(dialogs.fileRequests.empty());
    } else {
        ASSERT_EQ(dialogs.fileRequests.size(), 1u);
        EXPECT_FALSE(dialogs.fileRequests[0].save);
        EXPECT_EQ(dialogs.fileRequests[0].request, Request("Inlezen GSI bestand", c.directory));
    }
    EXPECT_EQ(view.input, c.newInput);
    EXPECT_EQ(view.output, c.newOutput);
}

const std::optional<std::string> kCancel;
const std::optional<std::string> kChosen = "/other/nieuw.GSI";

// With replace checked the output box starts as the stored input, "/data/stored.gsi".
INSTANTIATE_TEST_SUITE_P(
    Browse, InputBrowseTest,
    testing::Values(InputBrowseCase{"Choice", false, "/data/in.gsi", kChosen, "/data/",
                                    "/other/nieuw.GSI", "/data/out.gsi"},
                    InputBrowseCase{"ChoiceWithReplace", true, "/data/in.gsi", kChosen, "/data/",
                                    "/other/nieuw.GSI", "/other/nieuw.GSI"},
                    InputBrowseCase{"Cancel", false, "/data/in.gsi", kCancel, "/data/",
                                    "/data/in.gsi", "/data/out.gsi"},
                    InputBrowseCase{"CancelWithReplaceStillCopies", true, "/data/in.gsi", kCancel,
                                    "/data/", "/data/in.gsi", "/data/in.gsi"},
                    InputBrowseCase{"EmptyNameKeepsTheInput", false, "/data/in.gsi", "", "/data/",
                                    "/data/in.gsi", "/data/out.gsi"},
                    InputBrowseCase{"BackslashPath", false, "C:\\GSI\\TEST.GSI", kCancel,
                                    "C:\\GSI\\", "C:\\GSI\\TEST.GSI", "/data/out.gsi"},
                    InputBrowseCase{"NoSeparatorNoDialog", false, "TEST.GSI", kChosen, "",
                                    "TEST.GSI", "/data/out.gsi"},
                    InputBrowseCase{"NoSeparatorWithReplaceChangesNothing", true, "TEST.GSI",
                                    kChosen, "", "TEST.GSI", "/data/stored.gsi"},
                    InputBrowseCase{"EmptyBoxNoDialog", false, "", kChosen, "", "",
                                    "/data/out.gsi"}),
    RowName());

struct OutputBrowseCase {
    std::string name;
    std::string output;
    std::vector<std::optional<std::string>> answers;
    std::size_t dialogs;
    std::string newOutput;
};

class OutputBrowseTest : public ControllerTest,
                         public testing::WithParamInterface<OutputBrowseCase> {};

TEST_P(OutputBrowseTest, ChangesTheOutputBox) {
    const OutputBrowseCase& c = GetParam();
    Open({{"OutputGSI", c.output}, {"ReplaceGSI", "0"}});
    dialogs.fileAnswers = c.answers;

    controller->cmdOutputGSI_Click();

    ASSERT_EQ(dialogs.fileRequests.size(), c.dialogs);
    for (const FakeDialogs::FileRequest& asked : dialogs.fileRequests) {
        EXPECT_TRUE(asked.save);
        EXPECT_EQ(asked.request, Request("Opslaan GSI bestand", "/data/"));
    }
    EXPECT_EQ(view.output, c.newOutput);
}

const std::optional<std::string> kChosenOutput = "/other/uit.GSI";

INSTANTIATE_TEST_SUITE_P(
    Browse, OutputBrowseTest,
    testing::Values(
        OutputBrowseCase{"Choice", "/data/out.gsi", {kChosenOutput}, 1, "/other/uit.GSI"},
        OutputBrowseCase{"Cancel", "/data/out.gsi", {kCancel}, 1, "/data/out.gsi"},
        OutputBrowseCase{
            "EmptyNameAsksAgain", "/data/out.gsi", {"", kChosenOutput}, 2, "/other/uit.GSI"},
        OutputBrowseCase{"EmptyNameThenCancel", "/data/out.gsi", {"", kCancel}, 2, "/data/out.gsi"},
        OutputBrowseCase{"NoSeparatorNoDialog", "uit.gsi", {kChosenOutput}, 0, "uit.gsi"},
        OutputBrowseCase{"EmptyBoxNoDialog", "", {kChosenOutput}, 0, ""}),
    RowName());

// Dropping.

struct DropCase {
    std::string name;
    std::string dropped;  // in the test's folder, which holds the file "dag 1.gsi" and the
                          // folder "metingen"; empty: an empty path
    bool replace;
    bool taken;
};

class DropTest : public ControllerTest, public testing::WithParamInterface<DropCase> {};

TEST_P(DropTest, TakesOnlyAFile) {
    const DropCase& c = GetParam();
    WriteFile(dir / "dag 1.gsi", Gsi8File(1));
    std::filesystem::create_directory(dir / "metingen");
    Open(With({{"ReplaceGSI", c.replace ? "1" : "0"}}));
    const std::string dropped = c.dropped.empty() ? "" : dir / c.dropped;

    EXPECT_EQ(controller->Form_DragOver(dropped), c.taken);
    EXPECT_EQ(controller->Form_DragDrop(dropped), c.taken);

    EXPECT_EQ(view.input, c.taken ? dropped : "/data/in.gsi");
    EXPECT_EQ(view.output, c.replace ? view.input : "/data/out.gsi");
    EXPECT_TRUE(dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Drop, DropTest,
                         testing::Values(DropCase{"File", "dag 1.gsi", false, true},
                                         DropCase{"FileWithReplace", "dag 1.gsi", true, true},
                                         DropCase{"Folder", "metingen", true, false},
                                         DropCase{"Nothing", "ontbreekt.gsi", false, false},
                                         DropCase{"EmptyPath", "", false, false}),
                         RowName());

// The run and the services the window gives it.

struct RunMessageCase {
    std::string name;
    bool inputExists;
    std::string firstLine;
    std::string title;
};

class RunMessageTest : public ControllerTest, public testing::WithParamInterface<RunMessageCase> {};

TEST_P(RunMessageTest, ShownWithTitleAndWithoutBusyCursor) {
    const RunMessageCase& c = GetParam();
    if (c.inputExists) WriteFile(dir / "in.gsi", Gsi8File(3));
    Open({{"InputGSI", dir / "in.gsi"}, {"OutputGSI", dir / "out.gsi"}, {"ReplaceGSI", "0"}});
    std::vector<bool> busyWhileShown;
    dialogs.onMessage = [&](const Message&) { busyWhileShown.push_back(view.busy); };

    controller->cmdProcessGSI_Click();

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].lines.front(), c.firstLine);
    EXPECT_EQ(dialogs.messages[0].title, c.title);
    EXPECT_EQ(busyWhileShown, std::vector<bool>{false});
    EXPECT_EQ(view.busyChanges.front(), true);
    EXPECT_FALSE(view.busy);
    EXPECT_EQ(view.processDefault, c.inputExists);
    EXPECT_FALSE(controller->IsRunning());
}

INSTANTIATE_TEST_SUITE_P(Run, RunMessageTest,
                         testing::Values(RunMessageCase{"ClosingReportGetsTheProgramsTitle", true,
                                                        "Opgeschoond GSI bestand is gereed",
                                                        "Tessavo"},
                                         RunMessageCase{"RefusalKeepsItsOwnTitle", false,
                                                        "Invoerbestand niet gevonden !", "Let op"}),
                         RowName());

struct EventIntervalCase {
    std::string name;
    std::chrono::milliseconds interval;
    bool everyLine;
};

class EventIntervalTest : public ControllerTest,
                          public testing::WithParamInterface<EventIntervalCase> {};

TEST_P(EventIntervalTest, HandlesEventsOnlyAfterTheInterval) {
    const EventIntervalCase& c = GetParam();
    WriteFile(dir / "in.gsi", Gsi8File(200));
    Open({{"InputGSI", dir / "in.gsi"}, {"OutputGSI", dir / "out.gsi"}, {"ReplaceGSI", "0"}},
         c.interval);
    controller->cmdProcessGSI_Click();
    EXPECT_EQ(view.eventPasses >= 200, c.everyLine) << view.eventPasses;
    EXPECT_EQ(view.eventPasses == 0, !c.everyLine) << view.eventPasses;
}

INSTANTIATE_TEST_SUITE_P(Run, EventIntervalTest,
                         testing::Values(EventIntervalCase{"NoInterval", 0ms, true},
                                         EventIntervalCase{"LongInterval", 1h, false}),
                         RowName());

TEST_F(ControllerTest, FormatChangeDuringARunAppliesFromTheNextLine) {
    const int count = 200;
    WriteFile(dir / "in.gsi", Gsi8File(count));
    Open({{"InputGSI", dir / "in.gsi"},
          {"OutputGSI", dir / "out.gsi"},
          {"ReplaceGSI", "0"},
          {"OutFormat", "16"}});
    view.onEvents = [&](int pass) {
        if (pass == 50) view.format = To8;
    };

    controller->cmdProcessGSI_Click();

    // Whole lines in GSI-16 up to the change, in GSI-8 after it.
    const std::string output = ReadFile(dir / "out.gsi");
    std::size_t at = 0;
    int converted = 0;
    while (output.compare(at, Gsi16Line(converted + 1).size() + 2,
                          Gsi16Line(converted + 1) + "\r\n") == 0) {
        at += Gsi16Line(++converted).size() + 2;
    }
    EXPECT_GT(converted, 0);
    std::string rest;
    for (int n = converted + 1; n <= count; ++n) rest += Gsi8Line(n) + "\r\n";
    EXPECT_EQ(output.substr(at), rest);
    EXPECT_LT(converted, count);
}

TEST_F(ControllerTest, SecondStartDuringARunIsIgnored) {
    const std::string file = dir / "TEST.GSI";
    const std::string original = Gsi8File(200);
    WriteFile(file, original);
    Open({{"InputGSI", file}, {"ReplaceGSI", "1"}, {"AutoBackup", "1"}});
    bool runningThen = false;
    view.onEvents = [&](int pass) {
        if (pass != 20) return;
        runningThen = controller->IsRunning();
        controller->cmdProcessGSI_Click();
    };

    controller->cmdProcessGSI_Click();

    EXPECT_TRUE(runningThen);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].lines.back(), "Aantal meetregels:  200");
    EXPECT_EQ(ReadFile(file + ".bak"), original);
    EXPECT_EQ(ReadFile(file), original);
}

TEST_F(ControllerTest, RunGuardAndBusyCursorReleasedWhenSomethingThrows) {
    Open({{"InputGSI", dir / "ontbreekt.gsi"}, {"ReplaceGSI", "0"}});
    dialogs.onMessage = [](const Message&) { throw std::runtime_error("geen scherm"); };

    EXPECT_THROW(controller->cmdProcessGSI_Click(), std::runtime_error);
    EXPECT_FALSE(controller->IsRunning());
    EXPECT_FALSE(view.busy);

    dialogs.onMessage = nullptr;
    controller->cmdProcessGSI_Click();
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(ControllerTest, ClosingDuringARunStopsIt) {
    const std::string file = dir / "TEST.GSI";
    WriteFile(file, Gsi8File(500));
    Open({{"InputGSI", file}, {"ReplaceGSI", "1"}, {"AutoBackup", "1"}, {"OutFormat", "16"}});
    view.onEvents = [&](int pass) {
        if (pass == 100) controller->cmdCancel_Click();
    };

    controller->cmdProcessGSI_Click();

    EXPECT_EQ(view.eventPasses, 100);  // not one line more
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(store.values.size(), 5u);
    EXPECT_EQ(store.values["OutFormat"], "16");
    EXPECT_FALSE(controller->IsRunning());
    EXPECT_FALSE(view.busy);

    // A start that reaches the closed window does nothing.
    controller->cmdProcessGSI_Click();
    EXPECT_EQ(view.eventPasses, 100);
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace tessavo
