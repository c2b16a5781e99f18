#pragma once
// Resource ids of the config folder.

// The configuration tree of the configuration view.
#define IDC_DATA_TREE 1100
