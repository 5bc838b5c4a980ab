#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace purlo::bench {

// purlo-probe-sim running as a child process. Started with the given options
// (--link is the caller's to give); ready when its link exists.
class SimProcess {
  public:
    SimProcess(const std::string& program, const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The device the simulator printed: the console's Comm1.
    const std::string& device() const { return device_; }
    // Ends it (SIGTERM) and waits; its log is complete afterwards.
    void stop();

  private:
    pid_t pid_ = -1;
    std::string device_;
};

}  // namespace purlo::bench
