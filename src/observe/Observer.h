// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The observer port: what the console learns and does, reported as plain
// values at the points where its handlers already update the window. The
// monitor listens here; the console never depends on who listens.
//
// May include: text/ and protocol/ only.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "protocol/Vocabulary.h"

namespace purlo {

// A name for labels and column headers.
constexpr std::string_view probeValueName(ProbeValue v) {
    switch (v) {
        case ProbeValue::FillHeight: return "fill height";
        case ProbeValue::Temperature: return "temperature";
        case ProbeValue::ProbeBaudRate: return "probe baud rate";
        case ProbeValue::SoundSpeed: return "sound speed";
        case ProbeValue::FrequencyKhz: return "transducer frequency";
        case ProbeValue::SampleRate: return "sample rate";
        case ProbeValue::TemperatureCoefficient: return "temperature coefficient";
        case ProbeValue::BurstInterval: return "burst interval";
        case ProbeValue::BurstLength: return "burst length";
        case ProbeValue::TransducerVoltage: return "transducer voltage";
        case ProbeValue::DeadZone: return "dead zone";
        case ProbeValue::TuningMode: return "tuning mode";
        case ProbeValue::ReceiveMode: return "receive mode";
        case ProbeValue::EchoBounce: return "echo bounce";
        case ProbeValue::BurstBounce: return "burst bounce";
        case ProbeValue::ReloadFrequency: return "reload frequency";
    }
    return "";
}

// Whether the value's unit follows the mm/inch switch (then a log needs a
// unit beside each value, since a value keeps its unit until it is reported again).
constexpr bool unitFollowsInchSwitch(ProbeValue v) {
    return v == ProbeValue::FillHeight || v == ProbeValue::TemperatureCoefficient ||
           v == ProbeValue::DeadZone;
}

// The unit the decoder stores a value in; empty for counts, indexes and modes.
constexpr std::string_view probeValueUnit(ProbeValue v, bool inchUnits) {
    switch (v) {
        case ProbeValue::FillHeight: return inchUnits ? "inch" : "mm";
        case ProbeValue::Temperature: return "°C";
        case ProbeValue::ProbeBaudRate: return "bit/s";
        case ProbeValue::SoundSpeed: return "m/s";
        case ProbeValue::FrequencyKhz: return "kHz";
        case ProbeValue::TemperatureCoefficient: return inchUnits ? "in/s" : "m/s";
        case ProbeValue::BurstLength: return "periods";
        case ProbeValue::TransducerVoltage: return "V";
        case ProbeValue::DeadZone: return inchUnits ? "in" : "cm";
        default: return "";
    }
}

// One decoded reply: the value as the decoder stored it (every stored
// integer and float is exact in a double) and its unit text.
struct DecodedReply {
    ProbeValue value = ProbeValue::FillHeight;
    double number = 0.0;
    std::string_view unit;
};

// The samples of an echo record, as they are drawn: eight to a byte, the
// most significant bit first (leftmost), a set bit a high sample (a bar).
inline constexpr std::size_t kSamplesPerByte = 8;

struct SamplePosition {
    std::size_t byte = 0;
    unsigned bit = 0;  // 0 is the most significant bit, the byte's first sample
    constexpr std::uint8_t mask() const { return static_cast<std::uint8_t>(0x80u >> bit); }
    friend constexpr bool operator==(const SamplePosition&, const SamplePosition&) = default;
};

constexpr SamplePosition samplePosition(std::size_t sample) {
    return {sample / kSamplesPerByte, static_cast<unsigned>(sample % kSamplesPerByte)};
}

// Whether sample `sample` of the record is high; samples past its end are low.
constexpr bool sampleHigh(std::span<const std::uint8_t> bytes, std::size_t sample) {
    const SamplePosition p = samplePosition(sample);
    return p.byte < bytes.size() && (bytes[p.byte] & p.mask()) != 0;
}

// Every call has a no-op default, so an observer takes only what it needs.
// Calls come on the console's thread, inside its handlers; an observer must
// not throw and must be quick (a playback reports some 100 000 echo records
// a second). Views passed in are valid for the call only.
class Observer {
  public:
    virtual ~Observer() = default;

    // A reply line the decoder turned into a stored value.
    virtual void replyDecoded(const DecodedReply& /*reply*/) {}
    // An echo record's sample bytes in the order drawn (live or played back).
    virtual void echoRecord(std::span<const std::uint8_t> /*bytes*/) {}
    // A command character written to the probe.
    virtual void commandSent(char /*command*/) {}
    // The serial link opened: the port's name as the window shows it ("Comm1")
    // and the device behind it ("/dev/ttyUSB0").
    virtual void linkOpened(std::string_view /*portName*/, std::string_view /*device*/) {}
    // The operator closed the link (Stop).
    virtual void linkClosed() {}
    // The link failed under the console (cable pulled, port gone).
    virtual void linkLost() {}
    // A playback of the recording began: its length and the PC baud rate,
    // which is all that tells its time (the file holds no timestamps).
    virtual void playbackStarted(std::uint64_t /*fileBytes*/, std::int32_t /*pcBaudRate*/) {}
    // Bytes of the recording read so far; reported before the replies and
    // records those bytes complete.
    virtual void playbackPosition(std::uint64_t /*bytesRead*/) {}
    // The playback was moved (a seek): it goes on after this many bytes.
    virtual void playbackSeeked(std::uint64_t /*bytesRead*/) {}
    // After a seek: a value as the playback left it at the new place, one
    // for each value it has decoded since it began (the others are as they
    // were before it).
    virtual void playbackValue(const DecodedReply& /*reply*/) {}
    virtual void playbackEnded() {}
};

// Passes every event on to each observer added, in the order added: the
// console has one observer, and more than one may listen (the monitor, the
// tuning assistant). The observers must outlive the list.
class ObserverList final : public Observer {
  public:
    void add(Observer& o) { observers_.push_back(&o); }

    void replyDecoded(const DecodedReply& r) override {
        for (Observer* o : observers_) o->replyDecoded(r);
    }
    void echoRecord(std::span<const std::uint8_t> b) override {
        for (Observer* o : observers_) o->echoRecord(b);
    }
    void commandSent(char c) override {
        for (Observer* o : observers_) o->commandSent(c);
    }
    void linkOpened(std::string_view port, std::string_view device) override {
        for (Observer* o : observers_) o->linkOpened(port, device);
    }
    void linkClosed() override {
        for (Observer* o : observers_) o->linkClosed();
    }
    void linkLost() override {
        for (Observer* o : observers_) o->linkLost();
    }
    void playbackStarted(std::uint64_t bytes, std::int32_t baud) override {
        for (Observer* o : observers_) o->playbackStarted(bytes, baud);
    }
    void playbackPosition(std::uint64_t bytes) override {
        for (Observer* o : observers_) o->playbackPosition(bytes);
    }
    void playbackSeeked(std::uint64_t bytes) override {
        for (Observer* o : observers_) o->playbackSeeked(bytes);
    }
    void playbackValue(const DecodedReply& r) override {
        for (Observer* o : observers_) o->playbackValue(r);
    }
    void playbackEnded() override {
        for (Observer* o : observers_) o->playbackEnded();
    }

  private:
    std::vector<Observer*> observers_;
};

// The observer the console starts with: it ignores everything.
inline Observer& nullObserver() {
    static Observer none;
    return none;
}

}  // namespace purlo
