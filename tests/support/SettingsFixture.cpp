// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SettingsFixture.h"

#include "settings/SettingsFile.h"
#include "support/FileBytes.h"

namespace purlo::testsupport {

ConsoleState startUpSettings() {
    ConsoleState s;
    s.comm_port = 1;
    s.pc_baud_rate = 300;
    s.zoom_horizontal = 10;
    s.zoom_vertical = 150;
    s.sample_length = 160;
    return s;
}

void writeSettingsFile(const std::filesystem::path& dir, const ConsoleState& s) {
    writeFile(dir / kSettingsFileName, settingsFileText(s));
}

}  // namespace purlo::testsupport
