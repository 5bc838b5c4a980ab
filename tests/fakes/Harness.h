#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "app/Console.h"
#include "fakes/FakeSerialPort.h"
#include "fakes/FakeUi.h"
#include "fakes/RecordingSurface.h"

namespace purlo::test {

// A scratch working directory, removed with the test.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("purlo-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

// A console on the three fakes, loaded as at start-up.
struct Harness {
    Harness() : console(ui, surface, port, dir.path()) {
        ui.console = &console;
        console.Form_Load();
    }
    TempDir dir;
    FakeUi ui;
    RecordingSurface surface;
    FakeSerialPort port;
    Console console;
    ConsoleState& s = console.s;
};

// Clicks Start; the first yield at which `done` holds clicks Start again
// (the nested Stop), once. Returns whether it did.
template <class Predicate>
bool runUntil(Harness& h, Predicate done) {
    auto stopped = std::make_shared<bool>(false);
    h.ui.everyYield = [&h, done, stopped](int) {
        if (!*stopped && done()) {
            *stopped = true;
            h.console.click(Control::Com_start_stop);
        }
    };
    h.console.click(Control::Com_start_stop);
    return *stopped;
}

}  // namespace purlo::test
