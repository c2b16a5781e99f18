#pragma once
// Resource ids of the diag folder.
