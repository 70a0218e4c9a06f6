// SPDX-License-Identifier: GPL-3.0-or-later
// TessavoController: the settings table, the window's actions and its services to the run.
#include "TessavoController.h"

#include <charconv>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>

#include "CleaningRun.h"
#include "Dialogs.h"
#include "RunMessages.h"
#include "SettingsStore.h"
#include "TessavoView.h"
#include "Version.h"
#include "modFileHandling.h"

namespace tessavo {

namespace {

std::string DefaultPath() {
#ifdef _WIN32
    return "C:\\TEST.GSI";
#else
    // A test file at the top of the user's own space, as C:\ is on Windows.
    const char* home = std::getenv("HOME");
    std::string path = home ? home : "";
    while (!path.empty() && path.back() == '/') path.pop_back();
    return path + "/TEST.GSI";
#endif
}

// A stored check value read as a whole number, with blanks around it and a sign allowed.
std::optional<long long> WholeNumber(std::string_view text) {
    constexpr std::string_view blanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    const bool negative = text.front() == '-';
    if (negative || text.front() == '+') text.remove_prefix(1);
    // from_chars would take a second sign.
    if (text.empty() || text.front() == '-') return std::nullopt;
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return negative ? -value : value;
}

// The program writes only "0" and "1". Any other stored text (edited by hand, or damaged)
// gives the key's default rather than a check box state the actions do not know.
bool IsCheckValue(std::string_view text) {
    const std::optional<long long> value = WholeNumber(text);
    return value == 0 || value == 1;
}

bool IsChecked(std::string_view text) { return WholeNumber(text) == 1; }

std::string CheckValue(bool checked) { return checked ? "1" : "0"; }

// A file named on the command line relative to the folder the program started in, made
// absolute: stored and read again from another folder it still names the same file, and
// the browse dialogs can open in its folder.
std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(ToFsPath(path), ec);
    if (ec) return path;
    const std::u8string text = absolute.u8string();
    return std::string(text.begin(), text.end());
}

// How many lines a run cleans between two looks at the clock. Reading the clock at every
// line would cost more than cleaning short lines does.
constexpr std::uint32_t kLinesPerClockRead = 64;

FileDialogRequest BrowseRequest(std::string title, std::string directory) {
    return {std::move(title),
            std::move(directory),
            {{"GSI bestanden (*.gsi;*.raw)", {"*.gsi", "*.raw"}}, {"Alle bestanden (*.*)", {"*"}}},
            "GSI"};
}

}  // namespace

// One stored value: its key, its default, which texts it accepts (any, when null) and how
// it moves between the store and the controls.
struct TessavoController::Setting {
    const char* key;
    std::string defaultValue;
    bool (*accepts)(std::string_view text);
    void (*load)(TessavoController& c, const std::string& text);
    std::string (*save)(const TessavoController& c);
};

// In the order of loading: both paths come before ReplaceGSI, whose toggle copies the input
// path over the stored output path.
const std::array<TessavoController::Setting, 5>& TessavoController::Settings() {
    using C = TessavoController;
    static const std::array<Setting, 5> settings{{
        {"InputGSI", DefaultPath(), nullptr,
         [](C& c, const std::string& text) { c.view_.SetInputPath(text); },
         [](const C& c) { return c.view_.InputPath(); }},
        {"OutputGSI", DefaultPath(), nullptr,
         [](C& c, const std::string& text) { c.view_.SetOutputPath(text); },
         [](const C& c) { return c.view_.OutputPath(); }},
        {"ReplaceGSI", "1", IsCheckValue,
         [](C& c, const std::string& text) { c.SetReplace(IsChecked(text)); },
         [](const C& c) { return CheckValue(c.view_.ReplaceChecked()); }},
        {"AutoBackup", "1", IsCheckValue,
         [](C& c, const std::string& text) { c.view_.SetAutoBackupChecked(IsChecked(text)); },
         [](const C& c) { return CheckValue(c.view_.AutoBackupChecked()); }},
        // Compared as text: "08" or " 8" is not the GSI-8 choice.
        {"OutFormat", "0", nullptr,
         [](C& c, const std::string& text) {
             c.SelectFormat(text == "8"    ? OutputFormat::Gsi8
                            : text == "16" ? OutputFormat::Gsi16
                                           : OutputFormat::SameAsInput);
         },
         [](const C& c) { return std::to_string(static_cast<int>(c.format_)); }},
    }};
    return settings;
}

// Marks a run in progress and shows the busy cursor for as long as it lasts, and clears
// both when it ends, by a throw too: a stale mark would refuse every later run.
class TessavoController::RunScope {
  public:
    explicit RunScope(TessavoController& c) : c_(c) {
        c_.running_ = true;
        c_.view_.SetBusy(true);
    }
    ~RunScope() {
        c_.view_.SetBusy(false);
        c_.running_ = false;
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

  private:
    TessavoController& c_;
};

TessavoController::TessavoController(TessavoView& view, Dialogs& dialogs, SettingsStore& store,
                                     std::chrono::milliseconds eventInterval)
    : view_(view), dialogs_(dialogs), store_(store), eventInterval_(eventInterval) {}

void TessavoController::Form_Load(const std::optional<std::string>& openedFile) {
    view_.SetVersionText("Versie: " TESSAVO_VERSION);
    for (const Setting& setting : Settings()) {
        std::string text = store_.Read(setting.key, setting.defaultValue);
        if (setting.accepts && !setting.accepts(text)) text = setting.defaultValue;
        setting.load(*this, text);
    }
    if (openedFile && !openedFile->empty()) SetInput(AbsolutePath(TypedPath(*openedFile)));
}

void TessavoController::Form_Unload() {
    if (unloaded_) return;
    // First, so that a run in progress stops even when the store fails.
    unloaded_ = true;
    for (const Setting& setting : Settings()) {
        store_.Write(setting.key, setting.save(*this));
    }
    if (const std::optional<SettingsFailure> failure = store_.Flush()) {
        view_.SetBusy(false);  // the window closes after this box, also during a run
        dialogs_.ShowMessage({MessageKind::Failure,
                              {"Instellingen kunnen niet worden bewaard:", failure->place,
                               DutchReason(failure->code)},
                              MessageIcon::Warning,
                              MessageButtons::Ok,
                              "Let op",
                              {}});
    }
}

// A change of the value from the program runs the toggle, as a click does.
void TessavoController::SetReplace(bool checked) {
    if (view_.ReplaceChecked() == checked) return;
    view_.SetReplaceChecked(checked);
    chkReplace_Click();
}

void TessavoController::chkReplace_Click() {
    view_.EnableOutput(!view_.ReplaceChecked());
    FollowInput();
}

// While replace is checked the output is the input: a copy taken only now and then would
// let Enter clean the input into whatever file the output box still named.
void TessavoController::FollowInput() {
    if (view_.ReplaceChecked()) view_.SetOutputPath(view_.InputPath());
}

void TessavoController::txtInputGSI_Change() { FollowInput(); }

void TessavoController::optGSI8_Click() { format_ = OutputFormat::Gsi8; }

void TessavoController::optGSI16_Click() { format_ = OutputFormat::Gsi16; }

void TessavoController::optOutIsIn_Click() { format_ = OutputFormat::SameAsInput; }

void TessavoController::SelectFormat(OutputFormat format) {
    format_ = format;
    view_.SelectOption(format == OutputFormat::Gsi8    ? Control::optGSI8
                       : format == OutputFormat::Gsi16 ? Control::optGSI16
                                                       : Control::optOutIsIn);
}

void TessavoController::SetInput(const std::string& path) {
    view_.SetInputPath(path);
    FollowInput();
}

void TessavoController::cmdInputGSI_Click() {
    std::string directory;
    try {
        directory = GetFilePath(TypedPath(view_.InputPath()));
    } catch (const std::exception&) {
        return;  // no directory in the box: no dialog, silently
    }
    const auto name = dialogs_.ShowOpenDialog(BrowseRequest("Inlezen GSI bestand", directory));
    if (name && !name->empty()) view_.SetInputPath(*name);
    FollowInput();  // after a cancel too
}

void TessavoController::cmdOutputGSI_Click() {
    // An empty name asks again, starting from the box's current directory.
    for (;;) {
        std::string directory;
        try {
            directory = GetFilePath(TypedPath(view_.OutputPath()));
        } catch (const std::exception&) {
            return;
        }
        const auto name = dialogs_.ShowSaveDialog(BrowseRequest("Opslaan GSI bestand", directory));
        if (!name) return;
        if (!name->empty()) {
            view_.SetOutputPath(*name);
            return;
        }
    }
}

void TessavoController::cmdCancel_Click() { view_.Close(); }

const std::array<TessavoController::ClickHandler, 8> TessavoController::kClickHandlers{{
    {Control::chkReplace, &TessavoController::chkReplace_Click},
    {Control::optGSI8, &TessavoController::optGSI8_Click},
    {Control::optGSI16, &TessavoController::optGSI16_Click},
    {Control::optOutIsIn, &TessavoController::optOutIsIn_Click},
    {Control::cmdInputGSI, &TessavoController::cmdInputGSI_Click},
    {Control::cmdOutputGSI, &TessavoController::cmdOutputGSI_Click},
    {Control::cmdProcessGSI, &TessavoController::cmdProcessGSI_Click},
    {Control::cmdCancel, &TessavoController::cmdCancel_Click},
}};

void TessavoController::cmdProcessGSI_Click() {
    // The window handles its events during a run, so a click or Enter can arrive here
    // again. A second run over the same output would rename the half-written output onto
    // the backup that holds the original. After the shut-down a run would only move files.
    if (running_ || unloaded_) return;
    RunScope scope(*this);
    lastEvents_ = std::chrono::steady_clock::now();
    linesSinceClock_ = 0;
    // A path pasted with quotes around it, or typed with a blank at its end, names the file
    // that Windows would open for it.
    CleaningRun(TypedPath(view_.InputPath()), TypedPath(view_.OutputPath()),
                view_.AutoBackupChecked(), *this);
}

bool TessavoController::Form_DragOver(const std::vector<std::string>& paths) const {
    // Of several files none would be the obvious one to take.
    if (paths.size() != 1) return false;
    try {
        return FileExists(paths.front());
    } catch (const std::exception&) {
        return false;  // a path that cannot be looked at is no file to take
    }
}

bool TessavoController::Form_DragDrop(const std::vector<std::string>& paths) {
    if (!Form_DragOver(paths)) return false;
    SetInput(paths.front());
    return true;
}

OutputFormat TessavoController::CurrentOutputFormat() { return format_; }

MessageAnswer TessavoController::ShowMessage(const Message& message) {
    Message shown = message;
    if (!shown.title) shown.title = "Tessavo";
    // The box waits for the user; a busy cursor would tell the user to wait instead.
    view_.SetBusy(false);
    const MessageAnswer answer = dialogs_.ShowMessage(shown);
    view_.SetBusy(true);
    return answer;
}

bool TessavoController::EventsDue() {
    if (eventInterval_ == std::chrono::milliseconds::zero()) return true;
    if (++linesSinceClock_ < kLinesPerClockRead) return false;
    linesSinceClock_ = 0;
    return std::chrono::steady_clock::now() - lastEvents_ >= eventInterval_;
}

bool TessavoController::ProcessEvents(const Progress&) {
    if (EventsDue()) {
        view_.ProcessPendingEvents();
        lastEvents_ = std::chrono::steady_clock::now();
    }
    return !unloaded_;
}

void TessavoController::MakeProcessDefault() { view_.MakeProcessDefault(); }

}  // namespace tessavo
