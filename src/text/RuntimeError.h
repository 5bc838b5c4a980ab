// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>

namespace purlo {

// The one failure type of the console core. Every handler catches it (and any
// standard exception) in its single try/catch and reacts in its fixed way.
class RuntimeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace purlo
