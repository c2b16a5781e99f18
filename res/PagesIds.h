#pragma once
// Resource ids of the pages folder.
