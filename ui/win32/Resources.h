// SPDX-License-Identifier: GPL-3.0-or-later
// Resources: identifiers of the program's resources, shared by the code and Tessavo.rc.
#pragma once

// The program's icon; the lowest number, so that Explorer shows it for Tessavo.exe.
#define IDI_TESSAVO 1
