// The program's global objects, constructed in this one translation unit so
// that their order is fixed: construction top to bottom before WinMain,
// destruction at exit in the reverse order.
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "base/Language.h"

// 1. The layout manager's registered window messages and the log views'
//    shared font handle go here, ahead of everything else.

// 2. The language module: texts empty until a language is selected.
CLanguage g_Language;

// 3. The settings, all at their defaults until Load.
CAppSettings g_Settings;

// 4. The path settings: all zero until Load.
CPathSettings g_PathSettings;

// 5. The protocol engine (comm/DeviceProtocolGlobal.cpp) reads no settings
//    when it is constructed, so its place among these does not matter.
