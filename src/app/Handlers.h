#pragma once

// Every handler and private routine of the window, gathered for the dispatch.
#include "commands/ManualCommand.h"
#include "commands/ParameterButtons.h"
#include "diagram/Slots.h"
#include "help/CommandHelp.h"
#include "help/CommandList.h"
#include "help/InfoFile.h"
#include "link/PortSelection.h"
#include "acquisition/StartStop.h"
#include "settings/SettingsFile.h"
#include "acquisition/Playback.h"
