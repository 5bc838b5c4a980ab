#include "WorkDir.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace purlo::bench {

WorkDir::WorkDir(const std::string& name) {
    path_ = std::filesystem::temp_directory_path() /
            ("purlo-bench-" + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

WorkDir::~WorkDir() {
    if (std::getenv("PURLO_BENCH_KEEP") != nullptr) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void writeSettings(const std::filesystem::path& dir, const Settings& s) {
    const auto n = [](int v) { return " " + std::to_string(v); };
    const std::string lines[] = {
        n(1) + "     Serial CommPort.",
        n(s.baud) + " baud rate.",
        "False  mm + C or inch + F.",
        n(s.zoomHorizontal) + "    Zoom Horizontal.",
        n(s.zoomVertical) + "   Zoom Vertical.",
        n(s.sampleLength) + "   Sampling Length.",
        "54211  #.",
        "False  if 1 or true, check probe transducer!",
        "2336543  Eep.",
        " 0   Reserve command Rc1.",
        " 0   Reserve command Rc2.",
        " 2000   Level offset +/-7000mm maxi.",
        " 0   Reserve command Rc4 Top Alarm.",
        " 0   Reserve command Rc3.Bottom Alarm.",
        " ",
        "This is the Purlo Program Setup Purlo.set file. Do not edit.",
        " ",
    };
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    writeFile(dir / "purlo.Set", text);
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace purlo::bench
