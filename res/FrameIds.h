#pragma once
// Resource ids of the main frame: menus, commands, accelerators, bitmaps.
