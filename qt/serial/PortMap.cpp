// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortMap.h"

#include <cstdlib>

#include "serial/ports/PortBindings.h"
#include "serial/ports/SystemPortCatalogue.h"
#include "text/RuntimeError.h"

namespace purlo {

std::string commEnvironment(int n) {
    const std::string variable = "PURLO_COMM" + std::to_string(n);
    const char* named = std::getenv(variable.c_str());
    return named == nullptr ? std::string() : std::string(named);
}

CommMapping commMapping(int n, const PortCatalogue& catalogue) {
    if (n < 1) throw RuntimeError("invalid port number");
    return mapComm(n, commEnvironment(n), PortBindings::binding(n), catalogue);
}

std::string deviceForComm(int n) {
    return commMapping(n, SystemPortCatalogue()).device;
}

}  // namespace purlo
