#pragma once
// Resource ids of the app folder.
