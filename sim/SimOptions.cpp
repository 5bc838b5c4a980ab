// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <functional>

namespace purlo::sim {

namespace {

template <class T>
T number(const std::string& option, const std::string& text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) {
        throw UsageError(option + ": \"" + text + "\" is not a number");
    }
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value)) throw UsageError(option + ": \"" + text + "\" is not finite");
    }
    return value;
}

template <class T>
T inRange(const std::string& option, const std::string& text, T low, T high) {
    const T value = number<T>(option, text);
    if (value < low || value > high) {
        throw UsageError(option + ": " + text + " is outside " + std::to_string(low) + " to " +
                         std::to_string(high));
    }
    return value;
}

using Setter = std::function<void(SimSettings&, const std::string& option, const std::string&)>;

struct ValueOption {
    const char* name;  // without the leading "--"
    const char* valueName;
    Setter set;
};

// The options that take a value; each is checked and applied in this order.
const std::vector<ValueOption>& valueOptions() {
    static const std::vector<ValueOption> options = {
        {"link", "PATH", [](SimSettings& s, auto&, auto& v) { s.link = v; }},
        {"tcp", "PORT",
         [](SimSettings& s, auto& o, auto& v) { s.tcpPort = inRange(o, v, 0, 65535); }},
        {"log", "FILE", [](SimSettings& s, auto&, auto& v) { s.log = v; }},
        {"state", "FILE", [](SimSettings& s, auto&, auto& v) { s.probe.stateFile = v; }},
        {"level-min", "MM",
         [](SimSettings& s, auto& o, auto& v) { s.probe.levelMinMm = inRange(o, v, 0.0, 1e6); }},
        {"level-max", "MM",
         [](SimSettings& s, auto& o, auto& v) { s.probe.levelMaxMm = inRange(o, v, 0.0, 1e6); }},
        {"level-speed", "MM/S",
         [](SimSettings& s, auto& o, auto& v) {
             s.probe.levelSpeedMmPerS = inRange(o, v, 0.0, 1e5);
         }},
        {"noise", "MM",
         [](SimSettings& s, auto& o, auto& v) { s.probe.noiseMm = inRange(o, v, 0.0, 1e4); }},
        {"spikes", "P",
         [](SimSettings& s, auto& o, auto& v) {
             s.probe.spikeProbability = inRange(o, v, 0.0, 1.0);
         }},
        {"false-echo", "SAMPLE",
         [](SimSettings& s, auto& o, auto& v) {
             s.probe.falseEchoSample = inRange(o, v, 0, 32767);
         }},
        {"resonance", "KHZ",
         [](SimSettings& s, auto& o, auto& v) {
             s.probe.resonanceKhz = inRange(o, v, 10.0, 200.0);
         }},
        {"quality", "Q",
         [](SimSettings& s, auto& o, auto& v) { s.probe.quality = inRange(o, v, 0.5, 100.0); }},
        {"echo-gain", "G",
         [](SimSettings& s, auto& o, auto& v) { s.probe.echoGain = inRange(o, v, 0.0, 100.0); }},
        {"ring-gain", "G",
         [](SimSettings& s, auto& o, auto& v) { s.probe.ringGain = inRange(o, v, 0.0, 100.0); }},
        {"ignore", "P",
         [](SimSettings& s, auto& o, auto& v) {
             s.probe.ignoreProbability = inRange(o, v, 0.0, 1.0);
         }},
        {"temperature", "C",
         [](SimSettings& s, auto& o, auto& v) {
             s.probe.temperatureC = inRange(o, v, -50.0, 150.0);
         }},
        {"temperature-swing", "C",
         [](SimSettings& s, auto& o, auto& v) {
             s.probe.temperatureSwingC = inRange(o, v, 0.0, 50.0);
         }},
        {"samples", "N",
         [](SimSettings& s, auto& o, auto& v) {
             s.probe.samplesPerRecord = inRange(o, v, 1, 4096);
         }},
        {"baud", "RATE",
         [](SimSettings& s, auto& o, auto& v) {
             const int baud = number<int>(o, v);
             if (!isProbeBaudRate(baud)) {
                 throw UsageError(o + ": " + v + " is not a probe rate (300, 600, ... 38400)");
             }
             s.probe.initialBaud = baud;
         }},
        {"time-scale", "F",
         [](SimSettings& s, auto& o, auto& v) { s.timeScale = inRange(o, v, 0.01, 1000.0); }},
        {"seed", "N",
         [](SimSettings& s, auto& o, auto& v) { s.probe.seed = number<std::uint64_t>(o, v); }},
    };
    return options;
}

// Arguments and file names are bytes in the locale's encoding.
std::string localText(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

}  // namespace

SimSettings parseArguments(const std::vector<std::string>& args) {
    QCommandLineParser parser;
    // "-h" is the one short option; any other single dash starts a whole
    // word ("-noise 2" is --noise 2), as in Qt's own programs.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption fast(QStringLiteral("fast"));
    const QCommandLineOption alarm(QStringLiteral("alarm"));
    const QCommandLineOption fRaises(QStringLiteral("f-raises-index"));
    parser.addOptions({help, version, fast, alarm, fRaises});
    for (const ValueOption& o : valueOptions()) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(o.name), QString(),
                                            QString::fromLatin1(o.valueName)));
    }

    QStringList list{QStringLiteral("purlo-probe-sim")};
    for (const std::string& a : args) {
        list << QString::fromLocal8Bit(a.data(), static_cast<qsizetype>(a.size()));
    }
    if (!parser.parse(list)) throw UsageError(localText(parser.errorText()));
    if (!parser.positionalArguments().isEmpty()) {
        throw UsageError("unexpected argument '" +
                         localText(parser.positionalArguments().constFirst()) + "'");
    }

    SimSettings s;
    s.help = parser.isSet(help);
    s.version = parser.isSet(version);
    s.fast = parser.isSet(fast);
    s.probe.alarm = parser.isSet(alarm);
    s.probe.fRaisesIndex = parser.isSet(fRaises);
    for (const ValueOption& o : valueOptions()) {
        const QString name = QString::fromLatin1(o.name);
        // Given twice, the last one counts.
        if (parser.isSet(name)) o.set(s, std::string("--") + o.name, localText(parser.value(name)));
    }
    if (s.tcpPort >= 0 && !s.link.empty()) {
        throw UsageError("--link and --tcp exclude each other: the probe is on a pty or on TCP");
    }
    if (s.probe.levelMinMm > s.probe.levelMaxMm) {
        throw UsageError("--level-min is greater than --level-max");
    }
    return s;
}

std::string usageText(bool withPty) {
    std::string text = withPty ? R"(Usage: purlo-probe-sim [options]

A simulated Purlo ultrasonic level probe on a pseudo-terminal. Point the console
(or any terminal program) at the printed device and talk to it at 9600 8N1.

  --link PATH          make PATH a symlink to the pty and print PATH (else the pty path)
)"
                               : R"(Usage: purlo-probe-sim --tcp PORT [options]

A simulated Purlo ultrasonic level probe served over TCP: this system has no
pseudo-terminals, so --tcp is needed. Point the console at the printed
tcp://HOST:PORT.

)";
    text += R"(  --tcp PORT           serve the probe as a raw TCP device server on PORT of every
                       address of this machine instead of a pty (0: a free port), and
                       print tcp://HOST:PORT; one PC at a time, the next once it leaves
  --level-min MM       nearest distance from transducer to surface (default 800)
  --level-max MM       farthest distance (default 1800)
  --level-speed MM/S   speed of the surface between the two (default 5; 0 = still)
  --noise MM           standard deviation of the measured distance (default 0)
  --spikes P           chance of a stray high sample in an echo record (default 0)
  --false-echo SAMPLE  a fixed reflector: samples SAMPLE to SAMPLE+5 high in every record
  --resonance KHZ      the transducer's own resonance in kHz (default 25): the echo
                       and the ringing are strongest at the frequency nearest it
  --quality Q          the transducer's quality factor: its resonance over the width
                       where it answers with half its strength (default: 8 kHz wide)
  --echo-gain G        how strongly the echo comes back, times (default 1)
  --ring-gain G        how strongly the transducer rings on after the burst, times (default 1)
  --f-raises-index     "F" steps to the next higher frequency index (a lower frequency)
                       instead of the next lower one
  --ignore P           chance that the probe misses a command that sets something
                       (no change, no reply; default 0)
  --temperature C      mean probe temperature; it drifts 1.5 degrees around it (default 20)
  --temperature-swing C  how far the temperature drifts around it (default 1.5; 0: steady,
                       so that two runs of one session send the same bytes)
  --alarm              hold the surface inside the dead zone: the probe sends "OOO" alarms
  --samples N          sample bytes per echo record (default 160)
  --baud RATE          probe rate when no state file holds one (default 9600)
  --state FILE         the probe's non-volatile memory ("W" writes it, start-up and "Z" read it)
  --seed N             seed of every random choice (default 1)
  --fast               send at once instead of pacing at the line rate (10 bits a byte)
  --time-scale F       the probe's clock runs F times as fast as the wall clock (default 1)
  --log FILE           log the traffic both ways, with timestamps
  --help               this text
  --version            the program's version and licence

When the PC side's rate differs from the probe's, bytes arrive garbled both ways.
)";
    text += withPty ? "SIGINT or SIGTERM ends the simulator and removes the link.\n"
                    : "Ctrl+C ends the simulator.\n";
    return text;
}

}  // namespace purlo::sim
