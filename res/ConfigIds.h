#pragma once
// Resource ids of the config folder.
