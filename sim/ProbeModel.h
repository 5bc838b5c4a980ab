// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim/EchoPhysics.h"
#include "sim/ProbeParameters.h"
#include "sim/Rng.h"
#include "sim/SerialLine.h"

namespace purlo::sim {

// How the simulated world around the probe behaves. Distances are from the
// transducer down to the liquid surface.
struct ProbeOptions {
    double levelMinMm = 800.0;      // nearest the surface comes
    double levelMaxMm = 1800.0;     // farthest it goes
    double levelSpeedMmPerS = 5.0;  // how fast it moves between the two (0 = still)
    double noiseMm = 0.0;           // standard deviation of the measured distance
    double spikeProbability = 0.0;  // chance of a stray high sample in an echo record's silence
    int falseEchoSample = -1;       // first sample of a fixed stripe in every record (-1: none)
    double resonanceKhz = kNominalResonanceKhz;  // where the transducer answers best
    double quality = 0.0;   // its quality factor (0: the fixed width it always had)
    double echoGain = 1.0;  // how strongly its echo comes, and its ringing
    double ringGain = 1.0;
    bool fRaisesIndex = false;       // "F" steps to a higher index (a lower frequency)
    double ignoreProbability = 0.0;  // chance that a command which sets something is ignored
    // Narrower limits of the step commands than the probe's own (as another probe may have).
    int minFrequencyIndex = kMinFrequencyIndex;
    int maxFrequencyIndex = kMaxFrequencyIndex;
    int maxBurstLength = kMaxBurstLength;
    int minVoltageTenths = kMinVoltageTenths;
    int maxVoltageTenths = kMaxVoltageTenths;
    std::optional<ProbeParameters> memory;  // the memory when no state file holds one
    double temperatureC = 20.0;             // mean probe temperature
    double temperatureSwingC = 1.5;         // slow drift around it, over ten minutes
    bool alarm = false;               // surface held inside the dead zone (flooded transducer)
    int samplesPerRecord = 160;       // sample bytes after the "=" of an echo record
    int initialBaud = 9600;           // rate in the probe's memory when no state file holds one
    std::filesystem::path stateFile;  // the probe's non-volatile memory; empty = kept in RAM only
    std::uint64_t seed = 1;
};

// The probe as the PC sees it through its serial line: it takes command
// characters, answers with reply lines, and sends its unsolicited lines and
// echo records as simulated time passes. Deterministic for a seed and a
// sequence of calls; knows nothing of the console or of any toolkit.
class ProbeModel {
  public:
    explicit ProbeModel(ProbeOptions options = {});

    // One command character from the PC; any reply is queued at once.
    void receive(char c);
    // Simulated time passes: the level moves, the temperature drifts, bursts
    // fire with their distance or alarm lines and a requested echo record.
    void advance(double seconds);
    // Everything queued for the PC, in order, removed from the queue.
    std::string takeOutput();
    // The same, one reply line or echo record per element.
    std::vector<std::string> takeMessages();

    // Seconds of simulated time until the next burst or non-stop line, for a
    // caller that wants to sleep until something can happen.
    double secondsToNextEvent() const;

    const ProbeParameters& parameters() const { return params_; }
    const ProbeParameters& storedParameters() const { return stored_; }
    // Rate the probe's UART runs at now; "B"/"b" change it only from the next restart.
    int baudRate() const { return activeBaud_; }
    // The last burst, as the probe saw it.
    const BurstEcho& lastBurst() const { return lastBurst_; }
    // What "?" answers: the last measured distance in mm.
    long distanceReplyMm() const { return reportedMm_; }
    double surfaceDistanceMm() const;
    double temperatureC() const;
    double now() const { return now_; }
    bool recordPending() const { return recordPending_; }
    int restarts() const { return restarts_; }
    // Why the state file was not used or written, empty when it was fine.
    const std::string& stateFileProblem() const { return stateProblem_; }

    // The driver's 8-bit PWM value ("n") for the present voltage.
    int driverValue() const;
    // The temperature reply ("c"): tenths of a degree Celsius.
    int temperatureTenths() const;

  private:
    void restart();
    void answer(char code);
    long replyValue(char code) const;
    void store();
    void queue(std::string message);
    void sendAllValues();
    void sendCommandList();
    void setTransmitMode(int mode);
    void moveTo(double time);
    void fireBurst();
    void fireNonStopLine();
    void measure();
    void autoTune();
    double burstPeriodSeconds() const { return params_.burstInterval / 10.0; }
    double nonStopPeriodSeconds() const { return burstPeriodSeconds() / 4.0; }
    bool unsolicitedAllowed() const { return !recordPending_; }

    ProbeOptions options_;
    ProbeParameters params_;
    ProbeParameters stored_;
    int activeBaud_ = 9600;
    Rng rng_;
    std::deque<std::string> output_;
    std::string stateProblem_;

    double now_ = 0.0;
    double nextBurst_ = 0.0;
    double nextLine_ = 0.0;
    double level_ = 0.0;  // surface distance, mm
    int direction_ = 1;
    double temperaturePhase_ = 0.0;
    BurstEcho lastBurst_;
    long reportedMm_ = 0;
    bool recordPending_ = false;
    int restarts_ = 0;
};

}  // namespace purlo::sim
