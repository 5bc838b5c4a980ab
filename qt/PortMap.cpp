// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortMap.h"

#include <cstdlib>
#include <filesystem>

#include "text/RuntimeError.h"

namespace purlo {

std::string deviceForComm(int n) {
    if (n < 1) throw RuntimeError("invalid port number");
    const std::string variable = "PURLO_COMM" + std::to_string(n);
    if (const char* named = std::getenv(variable.c_str()); named != nullptr && *named != '\0') {
        return named;
    }
#ifdef _WIN32
    return "COM" + std::to_string(n);
#else
    std::string usb = "/dev/ttyUSB" + std::to_string(n - 1);
    std::error_code ec;
    if (std::filesystem::exists(usb, ec)) return usb;
    return "/dev/ttyS" + std::to_string(n - 1);
#endif
}

}  // namespace purlo
