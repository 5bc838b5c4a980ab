#include "SimProcess.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace purlo::bench {

SimProcess::SimProcess(const std::string& program, const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    // The simulator prints its device once it serves.
    FILE* in = fdopen(out[0], "r");
    char line[512];
    const bool ready = std::fgets(line, sizeof line, in) != nullptr;
    std::fclose(in);
    if (!ready) {
        stop();
        throw std::runtime_error("the probe simulator did not start: " + program);
    }
    device_ = line;
    while (!device_.empty() && (device_.back() == '\n' || device_.back() == '\r')) {
        device_.pop_back();
    }
}

SimProcess::~SimProcess() { stop(); }

void SimProcess::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace purlo::bench
