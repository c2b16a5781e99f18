#pragma once
#include "wcl/Win.h"

// Centres a dialog on its owner (or parent), or on the work area when it has
// none shown; the dialog's top-left corner stays on the screen.
void CenterOnOwner(HWND dlg);
