#pragma once

// Every handler and private routine of the window, gathered for the dispatch.
#include "acquisition/Playback.h"
#include "acquisition/StartStop.h"
#include "commands/ManualCommand.h"
#include "commands/ParameterButtons.h"
#include "diagram/EchoDrawing.h"
#include "diagram/Slots.h"
#include "diagram/ViewControls.h"
#include "help/CommandHelp.h"
#include "help/CommandList.h"
#include "help/InfoFile.h"
#include "link/PortSelection.h"
#include "settings/SettingsFile.h"
