// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the window's logic through a fake view, fake dialogs and a store in memory.
#include "TessavoController.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeDialogs.h"
#include "FakeView.h"
#include "MemorySettingsStore.h"
#include "TestSupport.h"
#include "modFileHandling.h"

namespace tessavo {
namespace {

using test::ReadFile;
using test::RowName;
using test::WriteFile;
using Stored = std::map<std::string, std::string>;
using namespace std::chrono_literals;

using test::PrintTo;

// The option that stands for each output format.
constexpr auto Same = Control::optOutIsIn;
constexpr auto To8 = Control::optGSI8;
constexpr auto To16 = Control::optGSI16;

const std::string kIn = "/data/in.gsi";
const std::string kOut = "/data/out.gsi";
const std::string kLine8 = "110001+0000A001 21.324+09000000 31..00+00012345 83..00-00001500 ";

std::string Gsi8File(int lines) {
    std::string text;
    for (int n = 0; n < lines; ++n) text += kLine8 + "\r\n";
    return text;
}

// Both paths stored, beside `values`.
Stored With(Stored values, const std::string& input = kIn, const std::string& output = kOut) {
    values.insert({{"InputGSI", input}, {"OutputGSI", output}});
    return values;
}

class ControllerTest : public testing::Test {
  public:
    void Open(const Stored& stored, std::chrono::milliseconds eventInterval = 0ms) {
        store.values = stored;
        controller = std::make_unique<TessavoController>(view, dialogs, store, eventInterval);
        view.onClose = [this] { controller->Form_Unload(); };
        controller->Form_Load();
    }
    // Opens on the file `in` of `lines` clean lines, cleaned into "out.gsi" unless `more`
    // says otherwise.
    void OpenRun(int lines, Stored more = {}, std::chrono::milliseconds eventInterval = 0ms) {
        WriteFile(in, Gsi8File(lines));
        more.insert({{"InputGSI", in}, {"OutputGSI", dir / "out.gsi"}, {"ReplaceGSI", "0"}});
        Open(more, eventInterval);
    }

    test::FakeView view;
    test::FakeDialogs dialogs;
    test::MemorySettingsStore store;
    std::unique_ptr<TessavoController> controller;
    test::TempDir dir;
    const std::string in = dir / "in.gsi";
    const std::string fresh = dir / "nieuw.gsi";  // what the user types, chooses or drops
};

// Start-up: the store into the controls.

struct StartUpCase {
    std::string name;
    Stored stored;
    std::string input, output;
    bool replace, autoBackup;
    Control option;
};

class StartUpTest : public ControllerTest, public testing::WithParamInterface<StartUpCase> {};

TEST_P(StartUpTest, FillsTheControlsAndWritesNothing) {
    const StartUpCase& c = GetParam();
    Open(c.stored);

    EXPECT_EQ(view.version, "Versie: 1.0.4");
    EXPECT_EQ(view.input, c.input);
    EXPECT_EQ(view.output, c.output);
    EXPECT_EQ(view.replace, c.replace);
    EXPECT_EQ(view.autoBackup, c.autoBackup);
    EXPECT_EQ(view.option, c.option);
    // Only the toggle touches the output controls; without it they keep their design state.
    EXPECT_EQ(view.outputEnabled, c.replace ? std::optional(false) : std::nullopt);
    EXPECT_EQ(store.values, c.stored);
    EXPECT_EQ(store.flushes, 0);
}

// The default path: C:\TEST.GSI on Windows, TEST.GSI in the user's home elsewhere.
std::string HomeTestFile() {
    const char* home = std::getenv("HOME");
    return test::kWindows ? "C:\\TEST.GSI" : std::string(home ? home : "") + "/TEST.GSI";
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StartUpTest,
    testing::Values(
        StartUpCase{"NothingStored", {}, HomeTestFile(), HomeTestFile(), true, true, Same},
        StartUpCase{"EveryKeyStored",
                    With({{"ReplaceGSI", "0"}, {"AutoBackup", "0"}, {"OutFormat", "16"}}), kIn,
                    kOut, false, false, To16},
        StartUpCase{"ReplaceOnDropsTheStoredOutput", With({{"ReplaceGSI", "1"}}), kIn, kIn, true,
                    true, Same},
        StartUpCase{"EmptyPathsStayEmpty", With({{"ReplaceGSI", "0"}}, "", ""), "", "", false, true,
                    Same},
        StartUpCase{"Format8", With({{"ReplaceGSI", "0"}, {"OutFormat", "8"}}), kIn, kOut, false,
                    true, To8},
        // Compared as text, not read as a number.
        StartUpCase{"FormatComparedAsText", With({{"ReplaceGSI", "0"}, {"OutFormat", " 8"}}), kIn,
                    kOut, false, true, Same},
        // A check is a whole number, blanks allowed; any but 0 and 1 gives the key's default.
        StartUpCase{"CheckNumberWithBlanks", With({{"ReplaceGSI", " 0 "}}), kIn, kOut, false, true,
                    Same},
        StartUpCase{"OtherChecksGiveTheDefault", With({{"ReplaceGSI", "2"}, {"AutoBackup", "ja"}}),
                    kIn, kIn, true, true, Same},
        StartUpCase{"CheckNegativeGivesDefault", With({{"ReplaceGSI", "0"}, {"AutoBackup", "-1"}}),
                    kIn, kOut, false, true, Same}),
    RowName());

// Shut-down: the controls into the store, once.

struct ShutDownCase {
    std::string name;
    bool replace, autoBackup;
    std::string storedFormat;
    void (TessavoController::*option)();  // the option the user selects, if any
    std::string formatText;
    std::vector<Message> messages;  // one when the store cannot keep the settings
};

class ShutDownTest : public ControllerTest, public testing::WithParamInterface<ShutDownCase> {};

TEST_P(ShutDownTest, StoresEveryKeyOnce) {
    const ShutDownCase& c = GetParam();
    if (!c.messages.empty())
        store.failure = {"/home/jan/.config/Brakmor.conf",
                         std::make_error_code(std::errc::not_a_directory)};
    Open({{"OutFormat", c.storedFormat}});
    view.input = "/data/nieuw.gsi";
    view.output = "";
    view.replace = c.replace;
    view.autoBackup = c.autoBackup;
    if (c.option) (*controller.*c.option)();

    controller->cmdCancel_Click();

    const Stored stored{{"InputGSI", "/data/nieuw.gsi"},
                        {"OutputGSI", ""},
                        {"ReplaceGSI", c.replace ? "1" : "0"},
                        {"AutoBackup", c.autoBackup ? "1" : "0"},
                        {"OutFormat", c.formatText}};
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(store.values, stored);
    EXPECT_EQ(store.flushes, 1);
    EXPECT_EQ(dialogs.messages, c.messages);
    // The close that follows the Exit button, or a second close, stores nothing more.
    view.input = "/data/later.gsi";
    controller->Form_Unload();
    EXPECT_EQ(store.values, stored);
    EXPECT_EQ(store.flushes, 1);
}

using C = TessavoController;

INSTANTIATE_TEST_SUITE_P(
    Settings, ShutDownTest,
    testing::Values(
        ShutDownCase{"ChecksClearFormat16", false, false, "24", &C::optGSI16_Click, "16", {}},
        ShutDownCase{"ChecksSetFormat8", true, true, "24", &C::optGSI8_Click, "8", {}},
        ShutDownCase{"OneCheckSameFormat", false, true, "16", &C::optOutIsIn_Click, "0", {}},
        ShutDownCase{"StoredFormatKept", false, true, "8", nullptr, "8", {}},
        // Told once, and the window closes all the same.
        ShutDownCase{"StoreFails",
                     false,
                     true,
                     "8",
                     nullptr,
                     "8",
                     {test::LetOp(MessageKind::Failure, {"Instellingen kunnen niet worden bewaard:",
                                                         "/home/jan/.config/Brakmor.conf",
                                                         "Een deel van het pad is geen map."})}}),
    RowName());

// Every way the input changes, and the output following it only while replace is checked.

using Step = void (*)(ControllerTest&);
void ClickReplace(ControllerTest& t) {
    t.view.replace = !t.view.replace;
    t.controller->chkReplace_Click();
}
void Type(ControllerTest& t) {
    t.view.input = t.fresh;
    t.controller->txtInputGSI_Change();
}
void SetUnreported(ControllerTest& t) { t.view.input = t.fresh; }
void Browse(ControllerTest& t) {
    t.dialogs.fileAnswers = {t.fresh};
    t.controller->cmdInputGSI_Click();
}
void CancelBrowse(ControllerTest& t) { t.controller->cmdInputGSI_Click(); }
void Drop(ControllerTest& t, const std::vector<std::string>& paths) {
    EXPECT_EQ(t.controller->Form_DragOver(paths), t.controller->Form_DragDrop(paths));
}
void DropFile(ControllerTest& t) {
    WriteFile(t.fresh, kLine8);
    Drop(t, {t.fresh});
}
void DropTwoFiles(ControllerTest& t) {
    WriteFile(t.fresh, kLine8);
    WriteFile(t.in, kLine8);
    Drop(t, {t.fresh, t.in});
}
// The program started with a file ("Open with"), by its full name or by a name relative to
// the current folder, which is made absolute so that it still names the file when stored.
void OpenWith(ControllerTest& t, const std::string& file) {
    t.controller = std::make_unique<TessavoController>(t.view, t.dialogs, t.store);
    t.controller->Form_Load(file);
}
void OpenWithFile(ControllerTest& t) { OpenWith(t, t.fresh); }
void OpenWithRelativeName(ControllerTest& t) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(t.dir.Path());
    OpenWith(t, "nieuw.gsi");
    std::filesystem::current_path(before);
}
void DropFolder(ControllerTest& t) { Drop(t, {test::FromFsPath(t.dir.Path())}); }
void DropMissing(ControllerTest& t) { Drop(t, {t.fresh}); }

enum Box { In, Out, New };  // the stored input, the stored output, the test's `fresh`

struct InputCase {
    std::string name;
    bool replace;  // stored
    std::vector<Step> steps;
    Box input, output;
    std::optional<bool> outputEnabled;
};

class InputTest : public ControllerTest, public testing::WithParamInterface<InputCase> {};

TEST_P(InputTest, OutputFollowsOnlyWhileReplaceIsChecked) {
    const InputCase& c = GetParam();
    Open(With({{"ReplaceGSI", c.replace ? "1" : "0"}}));
    for (Step step : c.steps) step(*this);
    const std::string paths[] = {kIn, kOut, fresh};
    EXPECT_EQ(view.input, paths[c.input]);
    EXPECT_EQ(view.output, paths[c.output]);
    EXPECT_EQ(view.outputEnabled, c.outputEnabled);
    EXPECT_TRUE(dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replace, InputTest,
    testing::Values(
        InputCase{"CheckingCopiesTheInputAndGreysTheOutput", false, {ClickReplace}, In, In, false},
        InputCase{"ClearingFreesTheOutputAndKeepsTheCopy", true, {ClickReplace}, In, In, true},
        InputCase{"TypingMovesTheOutputWhileChecked", true, {Type}, New, New, false},
        InputCase{"TypingLeavesAFreeOutput", false, {Type}, New, Out, std::nullopt},
        InputCase{"BrowsingMovesTheOutputWhileChecked", true, {Browse}, New, New, false},
        InputCase{
            "CancelledBrowseStillCopies", true, {SetUnreported, CancelBrowse}, New, New, false},
        InputCase{"DroppedFileMovesTheOutputWhileChecked", true, {DropFile}, New, New, false},
        InputCase{"DroppedFileLeavesAFreeOutput", false, {DropFile}, New, Out, std::nullopt},
        InputCase{"DroppedFolderIsRefused", true, {DropFolder}, In, In, false},
        InputCase{"DroppedTwoFilesAreRefused", true, {DropTwoFiles}, In, In, false},
        InputCase{"DroppedMissingFileIsRefused", false, {DropMissing}, In, Out, std::nullopt},
        InputCase{"OpenedFileMovesTheOutputWhileChecked", true, {OpenWithFile}, New, New, false},
        InputCase{"OpenedFileLeavesAFreeOutput", false, {OpenWithFile}, New, Out, std::nullopt},
        InputCase{
            "OpenedRelativeNameIsMadeAbsolute", true, {OpenWithRelativeName}, New, New, false}),
    RowName());

// Browsing: the dialog opens in the box's folder, and what it answers.

struct BrowseCase {
    std::string name;
    bool output;      // the output's button and the save dialog; else the input's and open
    std::string box;  // the browsed box's text
    std::vector<std::optional<std::string>> answers;
    std::size_t asked;
    bool chosen;  // the box takes the chosen name; else it keeps its text
};

class BrowseTest : public ControllerTest, public testing::WithParamInterface<BrowseCase> {};

const std::optional<std::string> kCancel;
const std::string kChosen = "/other/nieuw.GSI";

TEST_P(BrowseTest, AsksInTheBoxsFolder) {
    const BrowseCase& c = GetParam();
    Open(With({{"ReplaceGSI", "0"}}));
    std::string& box = c.output ? view.output : view.input;
    const std::string& other = c.output ? view.input : view.output;
    const std::string otherBefore = other;
    box = c.box;
    dialogs.fileAnswers = c.answers;

    c.output ? controller->cmdOutputGSI_Click() : controller->cmdInputGSI_Click();

    ASSERT_EQ(dialogs.fileRequests.size(), c.asked);
    for (const test::FakeDialogs::FileRequest& asked : dialogs.fileRequests) {
        EXPECT_EQ(asked.save, c.output);
        EXPECT_EQ(asked.request.title, c.output ? "Opslaan GSI bestand" : "Inlezen GSI bestand");
        EXPECT_EQ(asked.request.directory, "/data/");
    }
    EXPECT_EQ(box, c.chosen ? kChosen : c.box);
    EXPECT_EQ(other, otherBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Browse, BrowseTest,
    // A cancelled input browse is in the table above: CancelledBrowseStillCopies.
    testing::Values(BrowseCase{"InputChosen", false, kIn, {kChosen}, 1, true},
                    BrowseCase{"InputEmptyNameKeepsTheBox", false, kIn, {""}, 1, false},
                    BrowseCase{"InputWithoutFolderNoDialog", false, "in.gsi", {kChosen}, 0, false},
                    BrowseCase{"OutputChosen", true, kOut, {kChosen}, 1, true},
                    BrowseCase{"OutputEmptyNameAsksAgain", true, kOut, {"", kChosen}, 2, true},
                    BrowseCase{"OutputEmptyNameThenCancel", true, kOut, {"", kCancel}, 2, false},
                    BrowseCase{
                        "OutputWithoutFolderNoDialog", true, "uit.gsi", {kChosen}, 0, false}),
    RowName());

// The run and the services the window gives it.

struct RunMessageCase {
    std::string name;
    bool inputExists;
    std::string firstLine, title;
};

class RunMessageTest : public ControllerTest, public testing::WithParamInterface<RunMessageCase> {};

TEST_P(RunMessageTest, ShownWithTitleAndWithoutBusyCursor) {
    const RunMessageCase& c = GetParam();
    c.inputExists ? OpenRun(3) : Open({{"InputGSI", dir / "ontbreekt.gsi"}});
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

// Events are handled at a line only once the interval (in ms) has passed since the last time;
// the format, asked at every line, costs no call to the toolkit at all.
class EventIntervalTest : public ControllerTest, public testing::WithParamInterface<int> {};

TEST_P(EventIntervalTest, HandlesEventsOnlyAfterTheInterval) {
    const bool everyLine = GetParam() == 0;
    OpenRun(200, {}, std::chrono::milliseconds(GetParam()));
    view.calls = 0;
    controller->cmdProcessGSI_Click();
    EXPECT_EQ(view.eventPasses >= 200, everyLine) << view.eventPasses;
    EXPECT_EQ(view.eventPasses == 0, !everyLine) << view.eventPasses;
    EXPECT_LE(view.calls - view.eventPasses, 10);
}

INSTANTIATE_TEST_SUITE_P(Run, EventIntervalTest, testing::Values(0, 3'600'000));

TEST_F(ControllerTest, FormatChangeDuringARunAppliesFromTheNextLine) {
    OpenRun(200, {{"OutFormat", "16"}});
    view.onEvents = [&](int pass) {
        if (pass == 50) controller->optGSI8_Click();
    };

    controller->cmdProcessGSI_Click();

    const std::string output = ReadFile(dir / "out.gsi");
    EXPECT_EQ(output.front(), '*');  // GSI-16
    EXPECT_TRUE(output.ends_with("\n" + kLine8 + "\r\n")) << output;
}

// On Windows a path pasted with quotes around it, or typed with a blank after it, names the
// file itself, in the run and in the browse dialog; elsewhere such a name is taken as typed.
TEST_F(ControllerTest, PathBoxesAreReadAsTypedPaths) {
    OpenRun(3);
    view.input = "\"" + in + "\" ";
    view.output = in + ".";

    controller->cmdProcessGSI_Click();
    controller->cmdInputGSI_Click();

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].lines.front(), test::kWindows
                                                     ? "Opgeschoond GSI bestand is gereed"
                                                     : "Invoerbestand niet gevonden !");
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    const std::string folder = GetFilePath(in);
    EXPECT_EQ(dialogs.fileRequests[0].request.directory, test::kWindows ? folder : "\"" + folder);
}

TEST_F(ControllerTest, SecondStartDuringARunIsIgnored) {
    OpenRun(200, {{"ReplaceGSI", "1"}});
    bool runningThen = false;
    view.onEvents = [&](int pass) {
        if (pass != 20) return;
        runningThen = controller->IsRunning();
        controller->cmdProcessGSI_Click();
    };

    controller->cmdProcessGSI_Click();

    EXPECT_TRUE(runningThen);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    // The file was clean already: the one run changed nothing.
    EXPECT_EQ(dialogs.messages[0].lines[1], "Aantal meetregels:  200");
    EXPECT_FALSE(test::Exists(in + ".bak"));
    EXPECT_EQ(ReadFile(in), Gsi8File(200));
}

TEST_F(ControllerTest, RunGuardAndBusyCursorReleasedWhenSomethingThrows) {
    Open({{"InputGSI", dir / "ontbreekt.gsi"}});
    dialogs.onMessage = [](const Message&) { throw std::runtime_error("geen scherm"); };

    EXPECT_THROW(controller->cmdProcessGSI_Click(), std::runtime_error);
    EXPECT_FALSE(controller->IsRunning());
    EXPECT_FALSE(view.busy);

    dialogs.onMessage = nullptr;
    controller->cmdProcessGSI_Click();
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(ControllerTest, ClosingDuringARunStopsIt) {
    OpenRun(500, {{"ReplaceGSI", "1"}});
    view.onEvents = [&](int pass) {
        if (pass == 100) controller->cmdCancel_Click();
    };

    controller->cmdProcessGSI_Click();

    EXPECT_EQ(view.eventPasses, 100);  // not one line more
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(store.flushes, 1);
    EXPECT_FALSE(controller->IsRunning());
    EXPECT_FALSE(view.busy);

    // A start that reaches the closed window does nothing.
    controller->cmdProcessGSI_Click();
    EXPECT_EQ(view.eventPasses, 100);
}

}  // namespace
}  // namespace tessavo
