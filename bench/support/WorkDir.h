#pragma once

#include <filesystem>
#include <string>

namespace purlo::bench {

// A scratch working directory for one benchmark run, removed afterwards
// unless PURLO_BENCH_KEEP is set (to look at the files it made).
class WorkDir {
  public:
    explicit WorkDir(const std::string& name);
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& file) const { return path_ / file; }

  private:
    std::filesystem::path path_;
};

// The console's settings file purlo.Set as "Save Probe + PC" writes it:
// Comm1 at the given rate, millimetres, the given zoom and record length.
struct Settings {
    int baud = 9600;
    int zoomHorizontal = 10;
    int zoomVertical = 150;
    int sampleLength = 160;
};
void writeSettings(const std::filesystem::path& dir, const Settings& s);

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& bytes);

}  // namespace purlo::bench
