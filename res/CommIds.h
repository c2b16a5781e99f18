#pragma once
// Resource ids of the comm folder.
