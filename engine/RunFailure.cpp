// SPDX-License-Identifier: GPL-3.0-or-later
// RunFailure: the Dutch messages of failed runs, and the table of system errors to reasons.
#include "RunFailure.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iterator>

namespace tessavo {

namespace {

std::string What(FileOperation operation, const std::string& path) {
    return "file operation " + std::to_string(static_cast<int>(operation)) + " failed on " + path;
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
    {{ENOTSUP, EOPNOTSUPP}, {50}, "Het bestandssysteem kan dit niet."},
    {{ENOMEM}, {8, 14}, "Er is niet genoeg geheugen."},
    {{EINVAL}, {123, 87}, "De naam is ongeldig."},
    {{EXDEV}, {17}, "Het bestand kan niet naar een ander station worden verplaatst."},
    {{ENETDOWN, ENETUNREACH, EHOSTUNREACH, ECONNRESET},
     {53, 64, 67, 59},
     "De netwerkverbinding is verbroken."},
    {{ETIMEDOUT}, {121}, "Het apparaat of de netwerkverbinding reageert niet."},
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

}  // namespace

FileOperationError::FileOperationError(FileOperation operation, std::string path,
                                       std::error_code code, std::int64_t lineNumber)
    : std::runtime_error(What(operation, path)),
      operation_(operation),
      path_(std::move(path)),
      code_(code),
      lineNumber_(lineNumber) {}

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

std::vector<std::string> FailureMessageLines(const FileOperationError& error) {
    // The first line of each operation's message; where it names the input's line, the
    // number stands between `text` and `afterLine`. A reason follows unless the failure is
    // the file's own content or another run.
    struct Heading {
        FileOperation operation;
        const char* text;
        const char* afterLine;
        bool reason;
    };
    static const Heading kHeadings[] = {
        {FileOperation::QueryFile, "Bestand kan niet worden onderzocht:", nullptr, true},
        {FileOperation::OpenRead, "Invoerbestand kan niet worden geopend:", nullptr, true},
        {FileOperation::Read, "Fout bij het lezen van regel ", " uit:", true},
        {FileOperation::CreateOutput, "Uitvoerbestand kan niet worden aangemaakt:", nullptr, true},
        {FileOperation::WriteOutput, "Uitvoerbestand kan niet worden geschreven:", nullptr, true},
        {FileOperation::LineTooLong, "Regel ", " is te lang in:", false},
        {FileOperation::TooManyLines, "Te veel meetregels (meer dan 2147483647) bij regel ",
         " in:", false},
        {FileOperation::DeleteBackup, "Oud backupbestand kan niet worden verwijderd:", nullptr,
         true},
        {FileOperation::RenameToBackup, "Uitvoerbestand kan niet worden hernoemd naar:", nullptr,
         true},
        {FileOperation::ReplaceOutput, "Uitvoerbestand kan niet worden vervangen:", nullptr, true},
        {FileOperation::OutputInUse, "Bestand is in gebruik door een andere bewerking:", nullptr,
         false},
    };
    const Heading& heading =
        *std::find_if(std::begin(kHeadings), std::end(kHeadings),
                      [&](const Heading& h) { return h.operation == error.operation(); });
    std::string first = heading.text;
    if (heading.afterLine) first += std::to_string(error.lineNumber()) + heading.afterLine;
    std::vector<std::string> lines{first, error.path()};
    if (heading.reason) lines.push_back(DutchReason(error.code()));
    lines.insert(lines.end(), error.notes().begin(), error.notes().end());
    lines.push_back("Bewerking is afgebroken.");
    return lines;
}

}  // namespace tessavo
