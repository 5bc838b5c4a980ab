// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/Simulator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace purlo::sim {

namespace {

// Bytes the PC side may leave unread before we count it as not listening and
// throw them away, as a UART nobody reads overruns. The console reads all the
// time, so this only happens while no program has the port open.
constexpr int kMaxUnreadByPc = 2048;

// Bytes the probe may have waiting for the line; a few seconds at 9600 bit/s.
constexpr std::size_t kMaxPending = 4096;

}  // namespace

Simulator::Simulator(const SimSettings& settings, Link& link, TrafficLog& log)
    : link_(link),
      log_(log),
      model_(settings.probe),
      fast_(settings.fast),
      timeScale_(settings.timeScale),
      start_(std::chrono::steady_clock::now()),
      lineRng_(static_cast<std::uint32_t>(settings.probe.seed * 2654435761u) | 1u) {
    if (!model_.stateFileProblem().empty()) {
        std::fprintf(stderr, "purlo-probe-sim: %s; starting with defaults\n",
                     model_.stateFileProblem().c_str());
        log_.note(0.0, "state file not used: " + model_.stateFileProblem());
    }
    reportedProblem_ = model_.stateFileProblem();
    log_.note(0.0, "probe at " + std::to_string(model_.baudRate()) + " bit/s on " + link_.name());
    link_.onNote([this](const std::string& text) { log_.note(elapsed(), text); });
}

// The probe's own clock: bursts, the level and the line pace all follow it.
double Simulator::elapsed() const {
    return timeScale_ *
           std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

int Simulator::run(Host& host) {
    for (;;) {
        catchUp();
        transmitDue();
        const Wakeup w = host.wait(link_, waitTimeoutMs());
        if (w.stop) {
            if (!w.stopCause.empty()) log_.note(elapsed(), "ended by " + w.stopCause);
            return 0;
        }
        if (w.linkFailed) {
            std::fprintf(stderr, "purlo-probe-sim: %s failed\n", link_.name().c_str());
            return 1;
        }
        if (w.data) readFromPc();
        if (w.arrival) link_.acceptPending();
    }
}

// Brings the model to the present and puts what it said on the line.
void Simulator::catchUp() {
    const double now = elapsed();
    model_.advance(now - model_.now());
    if (model_.restarts() != restartsSeen_) {
        // A restart drops what the UART was still sending.
        restartsSeen_ = model_.restarts();
        pending_.clear();
        log_.note(now,
                  "probe restarted; line rate now " + std::to_string(model_.baudRate()) + " bit/s");
    }
    if (model_.stateFileProblem() != reportedProblem_) {
        reportedProblem_ = model_.stateFileProblem();
        if (!reportedProblem_.empty()) {
            std::fprintf(stderr, "purlo-probe-sim: %s\n", reportedProblem_.c_str());
            log_.note(now, reportedProblem_);
        }
    }
    for (std::string& message : model_.takeMessages()) {
        if (pending_.size() + message.size() > kMaxPending) {
            // A slow line in non-stop mode: like the probe, skip what there is
            // no time to send rather than fall ever further behind.
            log_.note(now, "line busy, not sent: \"" + escaped(message.substr(0, 40)) + "\"");
            continue;
        }
        log_.toPc(now, message);
        if (pending_.empty()) nextDue_ = now + byteSeconds();
        pending_ += message;
    }
}

void Simulator::readFromPc() {
    std::array<char, 4096> buffer{};
    const std::size_t n = link_.read(buffer.data(), buffer.size());
    if (n == 0) return;
    catchUp();  // the model's time must be now before it answers
    const std::string_view sent(buffer.data(), n);
    const int pcBaud = link_.pcBaud(model_.baudRate());
    noteLineRates(pcBaud);
    const std::string heard = overLine(sent, pcBaud, model_.baudRate(), lineRng_);
    log_.fromPc(elapsed(), sent);
    if (heard != sent) log_.note(elapsed(), "the probe hears \"" + escaped(heard) + "\"");
    // One character at a time, as they arrive on a real line: a reply goes out
    // (or is at least queued) before a following "Z" restarts the probe.
    for (const char c : heard) {
        model_.receive(c);
        catchUp();
        if (fast_) transmitDue();
    }
}

void Simulator::transmitDue() {
    if (pending_.empty()) return;
    if (fast_) {
        write(pending_);
        pending_.clear();
        return;
    }
    const double now = elapsed();
    if (now < nextDue_) return;
    const auto due =
        std::min(pending_.size(), static_cast<std::size_t>((now - nextDue_) / byteSeconds()) + 1);
    write(std::string_view(pending_).substr(0, due));
    pending_.erase(0, due);
    nextDue_ += static_cast<double>(due) * byteSeconds();
    // After an idle line the next byte starts when it is queued, not back in the past.
    if (pending_.empty()) nextDue_ = 0.0;
}

void Simulator::write(std::string_view bytes) {
    const int pcBaud = link_.pcBaud(model_.baudRate());
    noteLineRates(pcBaud);
    const std::string received = overLine(bytes, model_.baudRate(), pcBaud, lineRng_);
    if (link_.unreadByPc() > kMaxUnreadByPc) {
        link_.discardUnread();
        if (!pcNotReading_)
            log_.note(elapsed(), "the PC side is not reading; unread bytes dropped");
        pcNotReading_ = true;
    } else if (link_.unreadByPc() == 0) {
        pcNotReading_ = false;
    }
    const std::size_t sent = link_.write(received);
    if (sent < received.size()) {
        log_.note(elapsed(), std::to_string(received.size() - sent) + " bytes lost: line full");
    }
}

int Simulator::waitTimeoutMs() const {
    double wait = model_.secondsToNextEvent();
    if (!pending_.empty() && !fast_) wait = std::min(wait, nextDue_ - elapsed());
    return std::max(1, static_cast<int>(std::ceil(wait / timeScale_ * 1000.0)));
}

void Simulator::noteLineRates(int pcBaud) {
    if (pcBaud == lastPcBaud_ && model_.baudRate() == lastProbeBaud_) return;
    lastPcBaud_ = pcBaud;
    lastProbeBaud_ = model_.baudRate();
    std::string text = "PC side set to " + std::to_string(pcBaud) + " bit/s";
    if (pcBaud != model_.baudRate()) {
        text += ", probe at " + std::to_string(model_.baudRate()) + ": bytes arrive garbled";
    }
    log_.note(elapsed(), text);
}

}  // namespace purlo::sim
