// SPDX-License-Identifier: GPL-3.0-or-later
// A fixture for scripts/check-includes.sh, never compiled: a folder nobody gave
// a rule yet.
#pragma once
#include "text/Numbers.h"
