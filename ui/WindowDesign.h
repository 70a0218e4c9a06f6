// SPDX-License-Identifier: GPL-3.0-or-later
// WindowDesign: the window's title and size and its controls, each with its kind, place,
// caption and tool tip, in one table from which both views build the window.
#pragma once

#include <array>

namespace tessavo {

// The controls in the order they are made, which is their tab order among those that take
// the focus (the labels and the frame come first and take none).
enum class Control {
    Picture1,
    Label1,
    lblVersion,
    Frame2,
    Label3,
    lblOutputGSI,
    txtInputGSI,
    cmdInputGSI,
    txtOutputGSI,
    cmdOutputGSI,
    cmdProcessGSI,
    cmdCancel,
    chkReplace,
    optGSI8,
    optGSI16,
    optOutIsIn,
    chkAutoBackup,
};
inline constexpr int kControlCount = static_cast<int>(Control::chkAutoBackup) + 1;

enum class ControlKind {
    Picture,        // the program's icon, filling the control
    Label,          // text, which takes no focus
    Frame,          // a group box that holds the controls placed in it
    TextBox,        // one line of text
    Button,         // a push button
    DefaultButton,  // the push button that Enter presses
    CheckBox,
    Option,  // neighbouring options are one group, of which one is selected
};

// Each view has its own sizes and faces for these.
enum class ControlFont {
    Window,   // the window's own, which the other controls use
    Heading,  // large and bold
    Browse,   // bold and larger, for the "..." of the browse buttons
};

struct Twips {
    int left;
    int top;
    int width;
    int height;
};

struct Rgb {
    unsigned char red;
    unsigned char green;
    unsigned char blue;
};

struct ControlDesign {
    Control control;
    const char* name;
    ControlKind kind;
    bool inFrame = false;  // placed in Frame2, from its top-left corner; otherwise in the window
    Twips place;
    const char* caption = nullptr;  // UTF-8, "&" before a mnemonic; none for a picture or text box
    const char* toolTip = nullptr;  // UTF-8
    ControlFont font = ControlFont::Window;
    bool darkBlue = false;  // the text is kDarkBlue instead of the system's colour
};

struct WindowDesign {
    const char* title;  // UTF-8
    int clientWidth;    // in twips: 15 to a pixel at 96 dpi
    int clientHeight;
    std::array<ControlDesign, kControlCount> controls;  // in the order of Control
};

inline constexpr Rgb kDarkBlue{0, 0, 192};

// The controls that the replace toggle disables while the output follows the input; the
// box among them changes its colour with them.
inline constexpr std::array kOutputControls{Control::lblOutputGSI, Control::txtOutputGSI,
                                            Control::cmdOutputGSI};

const WindowDesign& Design();
const ControlDesign& Design(Control control);

}  // namespace tessavo
