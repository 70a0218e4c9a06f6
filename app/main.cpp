// Tessavo - cleaning of Leica GSI measurement files.
#include <QApplication>

#include "QtDialogs.h"
#include "QtTranslation.h"
#include "SettingsStore.h"
#include "frmTessavo.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brakmor"));
    QApplication::setApplicationName(QStringLiteral("Tessavo"));
    tessavo::InstallDutchQtTranslation(app);

    tessavo::QtDialogs dialogs;
    tessavo::SettingsStore store;
    tessavo::frmTessavo window(dialogs, store);
    window.show();
    return app.exec();
}
