#pragma once

// Every handler and private routine of the window, gathered for the dispatch.
#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"
#include "diagram/ViewControls.h"
#include "link/PortSelection.h"
#include "acquisition/StartStop.h"
#include "settings/SettingsFile.h"
#include "acquisition/Playback.h"
