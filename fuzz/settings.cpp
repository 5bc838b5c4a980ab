// Any purlo.Set another installation, an editor or a crash left behind must
// load or be refused cleanly, never crash or hang.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "NullPorts.h"
#include "app/Console.h"
#include "settings/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace purlo;
    fuzz::NullUi ui;
    fuzz::NullSurface surface;
    fuzz::NoPort port;
    Console console(ui, surface, port, "/nonexistent");
    console.Form_Load();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        applySettings(in, console);
    } catch (const RuntimeError&) {
        return 0;  // refused: what was applied stays, as at a Start
    }
    // A file that loaded must save back to a file that loads to the same state.
    std::istringstream again(settingsFileText(console.s));
    const ConsoleState before = console.s;
    applySettings(again, console);
    if (console.s.comm_port != before.comm_port || console.s.pc_baud_rate != before.pc_baud_rate ||
        console.s.zero_offset_mm != before.zero_offset_mm ||
        console.s.zoom_vertical != before.zoom_vertical) {
        __builtin_trap();
    }
    return 0;
}
