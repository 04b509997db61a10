#pragma once

#include "app/Folders.h"

// The program's icon on the user's desktop: Kassol.lnk on Windows, an executable Kassol.desktop
// entry on Linux. A shortcut of the same name is replaced. Raises KassolError on failure.
void erstelleDesktopVerknuepfung(const Folders& folders, const QString& programFile);
