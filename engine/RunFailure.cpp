// Tessavo - cleaning of Leica GSI measurement files.
#include "RunFailure.h"

#include <cerrno>

namespace tessavo {

namespace {

std::string What(FileOperation operation, const std::string& path) {
    return "file operation " + std::to_string(static_cast<int>(operation)) + " failed on " + path;
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
    if (code.category() != std::generic_category() && code.category() != std::system_category()) {
        return "Onbekende fout.";
    }
    // generic_category() maps a platform's own codes onto the portable errno values.
    const std::error_condition condition = code.default_error_condition();
    if (condition.category() == std::generic_category()) {
        switch (static_cast<std::errc>(condition.value())) {
            case std::errc::no_such_file_or_directory:
                return "De map of het bestand bestaat niet.";
            case std::errc::not_a_directory:
                return "Een deel van het pad is geen map.";
            case std::errc::is_a_directory:
                return "Op die plaats staat een map.";
            case std::errc::permission_denied:
            case std::errc::operation_not_permitted:
                return "Geen toegang.";
            case std::errc::no_space_on_device:
                return "De schijf is vol.";
            case std::errc::read_only_file_system:
                return "Het bestandssysteem is alleen-lezen.";
            case std::errc::filename_too_long:
                return "De naam is te lang.";
            case std::errc::device_or_resource_busy:
            case std::errc::text_file_busy:
                return "Het bestand is in gebruik.";
            case std::errc::file_exists:
            case std::errc::directory_not_empty:
                return "Op die plaats staat al iets anders.";
            case std::errc::io_error:
                return "Invoer-/uitvoerfout van het apparaat.";
            case std::errc::too_many_files_open:
            case std::errc::too_many_files_open_in_system:
                return "Er zijn te veel bestanden geopend.";
            default:
                break;
        }
    }
    return "Systeemfout " + std::to_string(code.value()) + ".";
}

std::vector<std::string> FailureMessageLines(const FileOperationError& error) {
    const std::string line = std::to_string(error.lineNumber());
    std::vector<std::string> lines;
    switch (error.operation()) {
        case FileOperation::QueryFile:
            lines = {"Bestand kan niet worden onderzocht:", error.path(),
                     DutchReason(error.code())};
            break;
        case FileOperation::DeleteBackup:
            lines = {"Oud backupbestand kan niet worden verwijderd:", error.path(),
                     DutchReason(error.code())};
            break;
        case FileOperation::RenameToBackup:
            lines = {"Uitvoerbestand kan niet worden hernoemd naar:", error.path(),
                     DutchReason(error.code())};
            break;
        case FileOperation::OpenRead:
            lines = {"Invoerbestand kan niet worden geopend:", error.path(),
                     DutchReason(error.code())};
            break;
        case FileOperation::Read:
            lines = {"Fout bij het lezen van regel " + line + " uit:", error.path(),
                     DutchReason(error.code())};
            break;
        case FileOperation::CreateOutput:
            lines = {"Uitvoerbestand kan niet worden aangemaakt:", error.path(),
                     DutchReason(error.code())};
            break;
        case FileOperation::WriteOutput:
            lines = {"Uitvoerbestand kan niet worden geschreven:", error.path(),
                     DutchReason(error.code())};
            break;
        case FileOperation::LineTooLong:
            lines = {"Regel " + line + " is te lang in:", error.path()};
            break;
        case FileOperation::TooManyLines:
            lines = {"Te veel meetregels (meer dan 2147483647) bij regel " + line + " in:",
                     error.path()};
            break;
    }
    lines.push_back("Bewerking is afgebroken.");
    return lines;
}

}  // namespace tessavo
