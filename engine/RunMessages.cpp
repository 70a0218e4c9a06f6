// SPDX-License-Identifier: GPL-3.0-or-later
// RunMessages: the Dutch texts of a run in tables, and the table of system errors to reasons.
#include "RunMessages.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iterator>
#include <vector>

namespace tessavo {

namespace {

const char* const kNotPossible = "Bewerking is niet mogelijk.";
const char* const kAborted = "Bewerking is afgebroken.";
const char* const kLetOp = "Let op";

// Places in a text that a message fills in.
const char* const kPath = "{path}";
const char* const kWhat = "{what}";
const char* const kCount = "{count}";
const char* const kLine = "{line}";

struct NoticeText {
    Notice notice;
    MessageKind kind;                  // Refusal or Question
    std::array<const char*, 4> lines;  // unused places hold nullptr
};

const NoticeText kNotices[] = {
    {Notice::NulInName,
     MessageKind::Refusal,
     {"Ongeldig teken (NUL) in de naam:", kPath, kNotPossible}},
    {Notice::InputMissing, MessageKind::Refusal, {"Invoerbestand niet gevonden !", kNotPossible}},
    {Notice::InputNotGsi,
     MessageKind::Refusal,
     {"Invoerbestand is geen GSI bestand:", kPath, kNotPossible}},
    {Notice::OutputPathEmpty,
     MessageKind::Refusal,
     {"Naam van het uitvoerbestand ontbreekt.", kNotPossible}},
    {Notice::OutputNotRegular,
     MessageKind::Refusal,
     {"Uitvoerbestand is geen gewoon bestand:", kPath, "Op die plaats staat {what}", kNotPossible}},
    {Notice::OutputReadOnly,
     MessageKind::Refusal,
     {"Uitvoerbestand is alleen-lezen:", kPath, kNotPossible}},
    {Notice::BackupNameTooLong,
     MessageKind::Refusal,
     {"De naam van het backupbestand wordt te lang:", kPath, kNotPossible}},
    {Notice::BackupBlocked,
     MessageKind::Refusal,
     {"Backup kan niet worden gemaakt van:", kPath, "Op de plaats van de backup staat {what}",
      kNotPossible}},
    {Notice::BackupReadOnly,
     MessageKind::Refusal,
     {"Backupbestand is alleen-lezen:", kPath, kNotPossible}},
    {Notice::InputIsBackup,
     MessageKind::Refusal,
     {"Invoerbestand is het backupbestand van het uitvoerbestand !", kNotPossible}},
    {Notice::OutputIsBackup,
     MessageKind::Refusal,
     {"Uitvoerbestand en backupbestand zijn hetzelfde bestand:", kPath, kNotPossible}},
    {Notice::InUse,
     MessageKind::Refusal,
     {"Bestand is in gebruik door een andere bewerking:", kPath}},
    {Notice::OutputExists,
     MessageKind::Question,
     {"Uitvoerbestand bestaat reeds !", "Backup zal worden bewaard onder de naam:", kPath}},
    {Notice::BackupExists,
     MessageKind::Question,
     {"Backupbestand bestaat reeds !", "Backup zal worden overschreven."}},
};

// What stands in the way, as the end of "Op die plaats staat ...".
const char* WhatStands(fs::Kind kind) {
    switch (kind) {
        case fs::Kind::Directory:
            return "een map.";
        case fs::Kind::Device:
            return "een apparaat.";
        case fs::Kind::Fifo:
            return "een pipe (FIFO).";
        case fs::Kind::Socket:
            return "een socket.";
        case fs::Kind::BrokenLink:
            return "een verwijzing die nergens heen leidt.";
        case fs::Kind::Missing:
        case fs::Kind::Regular:
            break;
    }
    return "iets anders.";
}

// A path as the user can read it in a message: a NUL shown as the symbol for it.
std::string Visible(const std::string& path) {
    std::string shown;
    for (char c : path) {
        if (c == '\0') {
            shown += "\xE2\x90\x80";
        } else {
            shown += c;
        }
    }
    return shown;
}

// `text` with its place `place` filled with `value`.
std::string Fill(std::string text, std::string_view place, const std::string& value) {
    const std::size_t at = text.find(place);
    if (at != std::string::npos) text.replace(at, place.size(), value);
    return text;
}

// The closing message's lines on changes beyond the form, which the user has to hear
// about: values cut to the output's width and lines copied unchanged, each with its count
// and the first input line concerned.
struct ChangeLine {
    std::int64_t RunResult::*count;
    std::int64_t RunResult::*firstLine;
    const char* text;
};

const ChangeLine kChangeLines[] = {
    {&RunResult::cutValues, &RunResult::firstCutLine,
     "Ingekorte waarden (te lang voor het uitvoerformaat): {count}, eerste in regel {line}"},
    {&RunResult::unchangedLines, &RunResult::firstUnchangedLine,
     "Ongewijzigde regels (niet te lezen als GSI woorden): {count}, eerste is regel {line}"},
};

Message Warning(MessageKind kind, std::vector<std::string> lines) {
    Message message;
    message.kind = kind;
    message.lines = std::move(lines);
    message.icon = MessageIcon::Warning;
    message.buttons = kind == MessageKind::Question ? MessageButtons::OkCancel : MessageButtons::Ok;
    message.title = kLetOp;
    return message;
}

std::string What(FileOperation operation, const std::string& path) {
    return "file operation " + std::to_string(static_cast<int>(operation)) + " failed on " + path;
}

const char* const kTemporaryLeft =
    "Een tijdelijk bestand naast het uitvoerbestand kon niet worden verwijderd.";

// The lines that end every failure: a temporary file left behind, and that the run ended.
void AddEnding(std::vector<std::string>& lines, bool temporaryLeft) {
    if (temporaryLeft) lines.push_back(kTemporaryLeft);
    lines.push_back(kAborted);
}

// One Dutch reason for the errno values and Windows error codes that mean the same to the
// user. Unused places hold 0, which is no error in either numbering.
struct Reason {
    std::array<int, 4> errnos;
    std::array<int, 4> windowsCodes;
    const char* text;
};

#ifdef EDQUOT
constexpr int kQuotaExceeded = EDQUOT;
#else
constexpr int kQuotaExceeded = 0;  // not in this C library's numbering
#endif

const Reason kReasons[] = {
    {{ENOENT}, {2, 3, 161}, "De map of het bestand bestaat niet."},
    {{ENOTDIR}, {267}, "Een deel van het pad is geen map."},
    {{EISDIR}, {}, "Op die plaats staat een map."},
    {{EACCES, EPERM}, {5, 1920}, "Geen toegang."},
    {{ENOSPC, kQuotaExceeded}, {39, 112}, "De schijf is vol."},
    {{EROFS}, {19}, "Het bestandssysteem is alleen-lezen."},
    {{ENAMETOOLONG}, {206}, "De naam is te lang."},
    {{EBUSY, ETXTBSY}, {32, 33}, "Het bestand is in gebruik."},
    {{EAGAIN}, {1450}, "Het systeem heeft op dit moment te weinig middelen (geheugen of threads)."},
    {{EEXIST, ENOTEMPTY}, {80, 183, 145}, "Op die plaats staat al iets anders."},
    {{EIO}, {1117, 23, 1006}, "Invoer-/uitvoerfout van het apparaat."},
    {{EMFILE, ENFILE}, {4}, "Er zijn te veel bestanden geopend."},
    {{ELOOP}, {1921}, "De verwijzingen in het pad lopen in een kring."},
    {{ENXIO, ENODEV}, {}, "Op die plaats staat geen gewoon bestand."},
    {{ENOTSUP, EOPNOTSUPP, ENOSYS}, {50, 1}, "Het bestandssysteem kan dit niet."},
    {{ENOMEM}, {8, 14}, "Er is niet genoeg geheugen."},
    {{EINVAL}, {123, 87}, "De naam is ongeldig."},
    {{EXDEV}, {17}, "Het bestand kan niet naar een ander station worden verplaatst."},
    {{ENETDOWN, ENETUNREACH, EHOSTUNREACH, ECONNRESET},
     {53, 64, 67, 59},
     "De netwerkverbinding is verbroken."},
    {{ETIMEDOUT}, {121}, "Het apparaat of de netwerkverbinding reageert niet."},
    {{EPIPE}, {109, 232}, "De pipe is aan de andere kant gesloten."},
    {{EBADF}, {6}, "De invoer of uitvoer is gesloten."},
    {{}, {21}, "Het station is niet gereed."},
};

const char* Lookup(int value, std::array<int, 4> Reason::*numbers) {
    if (value == 0) return nullptr;
    for (const Reason& reason : kReasons) {
        const auto& list = reason.*numbers;
        if (std::find(list.begin(), list.end(), value) != list.end()) return reason.text;
    }
    return nullptr;
}

// The first line of each operation's failure; where it names the input's line, the number
// stands between `text` and `afterLine`. A reason follows unless the failure is the file's
// own content or another run.
struct Heading {
    FileOperation operation;
    const char* text;
    const char* afterLine;
    bool reason;
};

const Heading kHeadings[] = {
    {FileOperation::QueryFile, "Bestand kan niet worden onderzocht:", nullptr, true},
    {FileOperation::OpenRead, "Invoerbestand kan niet worden geopend:", nullptr, true},
    {FileOperation::Read, "Fout bij het lezen van regel ", " uit:", true},
    {FileOperation::CreateOutput, "Uitvoerbestand kan niet worden aangemaakt:", nullptr, true},
    {FileOperation::WriteOutput, "Uitvoerbestand kan niet worden geschreven:", nullptr, true},
    {FileOperation::LineTooLong, "Regel ", " is te lang in:", false},
    {FileOperation::TooManyLines, "Te veel meetregels (meer dan 2147483647) bij regel ",
     " in:", false},
    {FileOperation::MakeBackup, "Backup kan niet worden gemaakt van:", nullptr, true},
    {FileOperation::ReplaceBackup, "Oud backupbestand kan niet worden vervangen:", nullptr, true},
    {FileOperation::ReplaceOutput, "Uitvoerbestand kan niet worden vervangen:", nullptr, true},
    {FileOperation::OutputInUse, "Bestand is in gebruik door een andere bewerking:", nullptr,
     false},
};

// The lines of a closing message that count: the record lines, or that there were none,
// and the changes beyond the form. `ready` puts the line that the output is ready first.
Message CountMessage(const RunResult& result, bool ready) {
    Message message;  // a report, with OK and the application's title
    if (result.lineCount == 0) {
        message.lines = {"GSI bestand is leeg !"};
        message.icon = MessageIcon::Warning;
    } else {
        if (ready) message.lines.push_back("Opgeschoond GSI bestand is gereed");
        message.lines.push_back("Aantal meetregels:  " + std::to_string(result.lineCount));
    }
    for (const ChangeLine& change : kChangeLines) {
        if (result.*change.count == 0) continue;
        message.lines.push_back(
            Fill(Fill(change.text, kCount, std::to_string(result.*change.count)), kLine,
                 std::to_string(result.*change.firstLine)));
        message.icon = MessageIcon::Warning;
    }
    return message;
}

}  // namespace

Message NoticeMessage(Notice notice, const std::string& path, fs::Kind what, bool temporaryLeft) {
    const NoticeText& text = *std::find_if(std::begin(kNotices), std::end(kNotices),
                                           [&](const NoticeText& t) { return t.notice == notice; });
    std::vector<std::string> lines;
    for (const char* line : text.lines) {
        if (!line) continue;
        // The temporary file is told before the closing "not possible".
        if (temporaryLeft && line == kNotPossible) lines.push_back(kTemporaryLeft);
        lines.push_back(Fill(Fill(line, kPath, Visible(path)), kWhat, WhatStands(what)));
    }
    return Warning(text.kind, std::move(lines));
}

std::string ChangeText(const LineChange& change) {
    const std::string line = "regel " + std::to_string(change.line);
    if (change.unchanged) return line + " blijft ongewijzigd";
    return line + ", woord " + change.cut.index + ": " + change.cut.before + " wordt " +
           change.cut.after;
}

Message CheckMessage(const RunResult& result) { return CountMessage(result, false); }

void AddIncompleteOutput(Message& message, const std::string& name) {
    // Before the closing line ("not possible", "aborted").
    message.lines.insert(message.lines.end() - (message.lines.empty() ? 0 : 1),
                         "Wat al naar " + name + " is geschreven, is onvolledig.");
}

Message ClosingMessage(const RunResult& result, bool unchanged, const std::string& keptBackup) {
    Message message = CountMessage(result, true);
    for (const LineChange& change : result.changes) message.details.push_back(ChangeText(change));
    if (result.changesLeftOut > 0) {
        message.details.push_back("\xE2\x80\xA6 en nog " + std::to_string(result.changesLeftOut) +
                                  (result.changesLeftOut == 1 ? " wijziging" : " wijzigingen"));
    }
    if (unchanged)
        message.lines.push_back("Er is niets gewijzigd: het bestand was al opgeschoond.");
    if (!keptBackup.empty()) {
        message.lines.push_back("Backup met het origineel is bewaard:");
        message.lines.push_back(keptBackup);
    }
    return message;
}

FileOperationError::FileOperationError(FileOperation operation, std::string path,
                                       std::error_code code, std::int64_t lineNumber)
    : std::runtime_error(What(operation, path)),
      operation_(operation),
      path_(std::move(path)),
      code_(code),
      lineNumber_(lineNumber) {}

Message FailureMessage(const FileOperationError& error, bool temporaryLeft) {
    const Heading& heading =
        *std::find_if(std::begin(kHeadings), std::end(kHeadings),
                      [&](const Heading& h) { return h.operation == error.Operation(); });
    std::string first = heading.text;
    if (heading.afterLine) first += std::to_string(error.LineNumber()) + heading.afterLine;
    std::vector<std::string> lines{first, error.Path()};
    if (heading.reason) lines.push_back(DutchReason(error.Code()));
    if (!error.KeptAsBackup().empty()) {
        lines.push_back("Het oude uitvoerbestand is al als backup bewaard onder:");
        lines.push_back(error.KeptAsBackup());
    }
    AddEnding(lines, temporaryLeft);
    return Warning(MessageKind::Failure, std::move(lines));
}

Message UnexpectedFailureMessage(const std::string& inputPath, bool temporaryLeft) {
    std::vector<std::string> lines{"Onverwachte fout bij het opschonen van:", inputPath};
    AddEnding(lines, temporaryLeft);
    return Warning(MessageKind::Failure, std::move(lines));
}

std::string DutchReason(std::error_code code) {
    const char* text = nullptr;
    if (code.category() == std::generic_category()) {
        text = Lookup(code.value(), &Reason::errnos);
    } else if (code.category() == std::system_category()) {
#ifdef _WIN32
        text = Lookup(code.value(), &Reason::windowsCodes);
        if (!text) text = Lookup(code.default_error_condition().value(), &Reason::errnos);
#else
        text = Lookup(code.value(), &Reason::errnos);
#endif
    }
    if (text) return text;
    return "Systeemfout " + std::to_string(code.value()) + ".";
}

}  // namespace tessavo
