// SPDX-License-Identifier: GPL-3.0-or-later
// A fixture for scripts/check-includes.sh, never compiled: the main window's
// adapters reach up into the monitor built on them.
#pragma once
#include "monitor/MonitorWindow.h"
#include "serial/PortMap.h"
