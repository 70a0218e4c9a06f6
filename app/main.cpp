// SPDX-License-Identifier: GPL-3.0-or-later
// main: the Qt program, which opens the window frmTessavo and runs its event loop.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "IniSettingsStore.h"
#include "QtDialogs.h"
#include "QtTranslation.h"
#include "Version.h"
#include "frmTessavo.h"

namespace {

constexpr const char* kHelpText =
    "Gebruik: tessavo [BESTAND]\n"
    "         tessavo --help | --version\n"
    "\n"
    "Opent het venster van Tessavo, dat Leica GSI bestanden (GSI-8 en GSI-16) opschoont en\n"
    "omzet. Met BESTAND opent het venster met dat bestand als invoerbestand; de rest komt\n"
    "uit de bewaarde instellingen.\n"
    "\n"
    "  --help       toon deze hulp\n"
    "  --version    toon het versienummer\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so that they need no display (help2man reads them too).
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kHelpText, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("tessavo " TESSAVO_VERSION "\n", stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brakmor"));
    QApplication::setApplicationName(QStringLiteral("Tessavo"));
    tessavo::InstallDutchQtTranslation(app);

    // Qt has taken its own options out by now; what is left is the program's name and
    // the file that a file manager's "Open with" or a typed command names.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 2) {
        std::fputs("tessavo: meer dan een bestand genoemd\n\n", stderr);
        std::fputs(kHelpText, stderr);
        return 2;
    }
    std::optional<std::string> openedFile;
    if (arguments.size() == 2) openedFile = arguments[1].toStdString();

    tessavo::QtDialogs dialogs;
    tessavo::IniSettingsStore store;
    tessavo::frmTessavo window(dialogs, store, openedFile);
    dialogs.SetParent(&window);
    window.show();
    return app.exec();
}
