// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

namespace purlo::sim {

// A small generator with the same sequence on every platform and library, so
// that a seed gives the same probe everywhere (the standard distributions do
// not promise that).
class Rng {
  public:
    explicit Rng(std::uint64_t seed = 1) : state_(seed) {}

    std::uint64_t next() {
        // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Normal with mean 0 and the given standard deviation (Box-Muller).
    double gaussian(double sigma) {
        if (sigma <= 0.0) return 0.0;
        const double u1 = 1.0 - uniform();  // in (0, 1], keeps log finite
        const double u2 = uniform();
        return sigma * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }

  private:
    std::uint64_t state_;
};

}  // namespace purlo::sim
