// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FileBytes.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace purlo::testsupport {

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace purlo::testsupport
