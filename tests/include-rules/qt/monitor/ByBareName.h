// SPDX-License-Identifier: GPL-3.0-or-later
// A fixture for scripts/check-includes.sh, never compiled: a header of the
// window/ room, which monitor/ may include, but named without its folder.
#pragma once
#include "ReachesMonitor.h"
#include "window/ReachesMonitor.h"
