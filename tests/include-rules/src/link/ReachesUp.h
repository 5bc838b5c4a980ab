// SPDX-License-Identifier: GPL-3.0-or-later
// A fixture for scripts/check-includes.sh, never compiled: the link port
// reaching up to the Console, which its rule forbids, beside an include it may make.
#pragma once
#include "app/Console.h"
#include "text/Numbers.h"
