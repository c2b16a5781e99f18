#pragma once
// Resource ids of the program, one header per source folder.
#include "res/AppIds.h"
#include "res/FrameIds.h"
#include "res/CommIds.h"
#include "res/ConfigIds.h"
#include "res/PagesIds.h"
#include "res/RoutingPagesIds.h"
#include "res/DiagIds.h"
