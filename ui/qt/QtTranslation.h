// SPDX-License-Identifier: GPL-3.0-or-later
// InstallDutchQtTranslation: Qt's own Dutch texts for its standard buttons and dialogs.
#pragma once

class QCoreApplication;

namespace tessavo {

// Installs Qt's own Dutch texts ("Annuleren", "Opslaan", ...) for the standard buttons and
// dialogs. Answers false when the translation is not installed; Qt then keeps English.
bool InstallDutchQtTranslation(QCoreApplication& app);

}  // namespace tessavo
