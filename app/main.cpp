// SPDX-License-Identifier: GPL-3.0-or-later
// main: the Qt program, which opens the window frmTessavo and runs its event loop.
#include <QApplication>

#include "IniSettingsStore.h"
#include "QtDialogs.h"
#include "QtTranslation.h"
#include "frmTessavo.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brakmor"));
    QApplication::setApplicationName(QStringLiteral("Tessavo"));
    tessavo::InstallDutchQtTranslation(app);

    tessavo::QtDialogs dialogs;
    tessavo::IniSettingsStore store;
    tessavo::frmTessavo window(dialogs, store);
    dialogs.SetParent(&window);
    window.show();
    return app.exec();
}
