// SPDX-License-Identifier: GPL-3.0-or-later
// WindowDesign: the window's controls, places and Dutch texts.
#include "WindowDesign.h"

#include <cstddef>

namespace tessavo {

namespace {

using enum Control;
using enum ControlKind;
using enum ControlFont;

constexpr WindowDesign kWindow{
    .title = "Cleaner voor Leica GSI files",
    .clientWidth = 8295,
    .clientHeight = 4080,
    .controls = {{
        {.control = Picture1, .name = "Picture1", .kind = Picture, .place = {240, 120, 480, 480}},
        {.control = Label1,
         .name = "Label1",
         .kind = Label,
         .place = {840, 120, 7215, 495},
         .caption = "Opschonen van Leica GSI bestanden",
         .font = Heading,
         .darkBlue = true},
        {.control = lblVersion,
         .name = "lblVersion",
         .kind = Label,
         .place = {5520, 600, 2415, 255},
         .caption = "Versie:",
         .toolTip = "Versie van Tessavo",
         .darkBlue = true},
        {.control = Frame2,
         .name = "Frame2",
         .kind = Frame,
         .place = {240, 840, 7815, 2415},
         .caption = "GSI Meetbestand"},
        {.control = Label3,
         .name = "Label3",
         .kind = Label,
         .inFrame = true,
         .place = {240, 360, 2415, 255},
         .caption = "Naam GSI Invoerbestand:"},
        {.control = lblOutputGSI,
         .name = "lblOutputGSI",
         .kind = Label,
         .inFrame = true,
         .place = {240, 1680, 2415, 255},
         .caption = "Naam GSI Uitvoerbestand:"},
        {.control = txtInputGSI,
         .name = "txtInputGSI",
         .kind = TextBox,
         .inFrame = true,
         .place = {240, 600, 6975, 285},
         .toolTip = "Hier de naam invullen van het bestand, dat moet worden opgeschoond."},
        {.control = cmdInputGSI,
         .name = "cmdInputGSI",
         .kind = Button,
         .inFrame = true,
         .place = {7200, 600, 375, 280},
         .caption = "...",
         .toolTip = "Bladeren naar invoer GSI bestand",
         .font = Browse},
        {.control = txtOutputGSI,
         .name = "txtOutputGSI",
         .kind = TextBox,
         .inFrame = true,
         .place = {240, 1920, 6975, 285},
         .toolTip = "Hier de nieuwe naam invullen voor het opgeschoonde GSI bestand."},
        {.control = cmdOutputGSI,
         .name = "cmdOutputGSI",
         .kind = Button,
         .inFrame = true,
         .place = {7200, 1920, 375, 280},
         .caption = "...",
         .toolTip = "Bladeren naar uitvoer GSI bestand",
         .font = Browse},
        {.control = cmdProcessGSI,
         .name = "cmdProcessGSI",
         .kind = DefaultButton,
         .place = {240, 3480, 2415, 375},
         .caption = "Opschonen GSI bestand",
         .toolTip = "Start de bewerking."},
        {.control = cmdCancel,
         .name = "cmdCancel",
         .kind = Button,
         .place = {7080, 3480, 975, 375},
         .caption = "&Exit",
         .toolTip = "Stop het programma."},
        {.control = chkReplace,
         .name = "chkReplace",
         .kind = CheckBox,
         .inFrame = true,
         .place = {240, 1080, 3735, 240},
         .caption = "Uitvoerbestand vervangt de Invoer",
         .toolTip = "Het opgeschoonde bestand vervangt het originele bestand. Het origineel kan "
                    "bewaard blijven als 'backup' bestand."},
        {.control = optGSI8,
         .name = "optGSI8",
         .kind = Option,
         .inFrame = true,
         .place = {4080, 960, 1935, 255},
         .caption = "Uitvoer is GSI-8",
         .toolTip = "Het uitvoerbestand is in GSI-8 formaat, GSI-16 bestanden worden "
                    "geconverteerd."},
        {.control = optGSI16,
         .name = "optGSI16",
         .kind = Option,
         .inFrame = true,
         .place = {4080, 1200, 1935, 255},
         .caption = "Uitvoer is GSI-16",
         .toolTip = "Het uitvoerbestand is in GSI-16 formaat, GSI-8 bestanden worden "
                    "geconverteerd."},
        {.control = optOutIsIn,
         .name = "optOutIsIn",
         .kind = Option,
         .inFrame = true,
         .place = {4080, 1440, 3495, 255},
         .caption = "Uitvoer is Zelfde Formaat als Invoer",
         .toolTip = "Het invoer GSI bestand wordt niet geconverteerd."},
        {.control = chkAutoBackup,
         .name = "chkAutoBackup",
         .kind = CheckBox,
         .inFrame = true,
         .place = {240, 1320, 3735, 255},
         .caption = "Automatisch Backup maken",
         .toolTip = "Er wordt altijd automatisch een backup van het invoer GSI bestand gemaakt."},
    }},
};

// The views index the table by Control.
constexpr bool InControlOrder() {
    for (int i = 0; i < kControlCount; ++i) {
        if (kWindow.controls[static_cast<std::size_t>(i)].control != static_cast<Control>(i)) {
            return false;
        }
    }
    return true;
}
static_assert(InControlOrder());

}  // namespace

const WindowDesign& Design() { return kWindow; }

const ControlDesign& Design(Control control) {
    return kWindow.controls[static_cast<std::size_t>(control)];
}

}  // namespace tessavo
