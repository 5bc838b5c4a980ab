// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/ServiceRecord.h"

#include <chrono>
#include <cstdio>
#include <exception>

#include "files/ReplaceFile.h"
#include "monitor/CsvLog.h"
#include "observe/FrequencyTable.h"
#include "platform/System.h"
#include "tuning/Assistant.h"

namespace purlo::tuning {

namespace {

void row(std::string& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (const std::string_view f : fields) {
        if (!first) out += ',';
        appendCsvField(out, f);
        first = false;
    }
    out += "\r\n";
}

std::string number(double v) {
    std::string s;
    appendNumber(s, v);
    return s;
}

std::string optionalNumber(const std::optional<int>& v) {
    return v ? number(*v) : std::string();
}

void stepRow(std::string& out, std::string_view kind, std::size_t n, const StepResult& s) {
    const Figures& f = s.figures;
    const auto& shape = f.shape;
    row(out, {kind,
              number(static_cast<double>(n)),
              passName(s.plan.pass),
              number(s.actual.frequencyIndex),
              number(transducerKhzOf(s.actual)),
              number(s.actual.burstLength),
              number(s.actual.volts),
              number(f.readings),
              number(f.echoMedian),
              number(f.echoRange),
              number(f.burstMedian),
              number(f.detection),
              number(f.distanceMedianMm),
              number(f.distanceIqrMm),
              shape ? number(shape->ringEnd) : std::string(),
              shape ? optionalNumber(shape->echoStart) : std::string(),
              shape ? number(shape->echoWidth) : std::string(),
              shape ? number(shape->strayShare) : std::string(),
              f.eligible() ? "yes" : (f.echoLost ? "no: echo lost" : "no: rings past dead time"),
              number(f.score)});
}

}  // namespace

double transducerKhzOf(const Setting& s) {
    const auto khz = transducerKhz(static_cast<int>(s.frequencyIndex));
    return khz ? static_cast<double>(*khz) : 0.0;
}

std::string serviceRecordName(const LocalTime& started) {
    using namespace std::chrono;
    const sys_seconds local{seconds{started.unixSeconds + started.utcOffsetSeconds}};
    const sys_days day = floor<days>(local);
    const year_month_day date{day};
    const hh_mm_ss clock{local - day};
    char name[64];
    std::snprintf(name, sizeof name, "Purlo-tuning-%04d%02u%02u-%02d%02d%02d.csv",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return name;
}

std::filesystem::path freeRecordPath(const std::filesystem::path& folder,
                                     const LocalTime& started) {
    const std::string name = serviceRecordName(started);
    std::filesystem::path path = folder / name;
    const std::string stem = name.substr(0, name.size() - 4);
    std::error_code error;
    for (int n = 2; std::filesystem::exists(path, error); ++n) {
        path = folder / (stem + "-" + std::to_string(n) + ".csv");
    }
    return path;
}

std::string serviceRecordCsv(const Assistant& a, const LocalTime& finished) {
    std::string out;
    row(out, {"record", "time or step", "item", "value", "unit"});
    if (a.snapshotTime()) row(out, {"snapshot", iso8601(*a.snapshotTime()), "", "", ""});
    if (a.snapshot()) {
        for (std::size_t i = 0; i < kProbeValueCount; ++i) {
            const auto v = static_cast<ProbeValue>(i);
            const auto& n = (*a.snapshot())[v];
            if (!n || v == ProbeValue::FillHeight || v == ProbeValue::Temperature ||
                v == ProbeValue::EchoBounce || v == ProbeValue::BurstBounce) {
                continue;
            }
            row(out, {"snapshot", "", probeValueName(v), number(*n), a.snapshot()->unitOf(v)});
        }
    }
    row(out, {"step",
              "n",
              "pass",
              "frequency index",
              "kHz",
              "burst length",
              "voltage (V)",
              "readings",
              "echo bounce median",
              "echo bounce range",
              "burst bounce median",
              "detection rate",
              "distance median (mm)",
              "distance IQR (mm)",
              "ringing end (sample)",
              "echo start (sample)",
              "echo width (samples)",
              "stray share",
              "may win",
              "score"});
    for (std::size_t i = 0; i < a.steps().size(); ++i) {
        if (a.steps()[i].done) stepRow(out, "step", i + 1, a.steps()[i]);
    }
    for (const std::string& note : a.notes()) row(out, {"note", "", "plan", note, ""});
    if (a.chosen()) row(out, {"choice", "", "best", describe(*a.chosen()), ""});
    if (a.bestStepIndex()) row(out, {"choice", number(*a.bestStepIndex() + 1.0), "step", "", ""});
    row(out, {"choice", "", "dead time", a.deadTimeSuggestion(), ""});
    if (a.verification() && a.verification()->done) {
        stepRow(out, "verify", 0, *a.verification());
    }
    row(out, {"end", iso8601(finished), "outcome", a.outcome(), ""});
    return out;
}

std::string writeServiceRecord(const std::filesystem::path& file, const Assistant& a,
                               const LocalTime& finished) {
    try {
        replaceFile(file, serviceRecordCsv(a, finished));
        return {};
    } catch (const std::exception& e) {
        return "The service record " + platform::utf8(file.filename()) + " could not be written (" +
               e.what() + ").";
    }
}

}  // namespace purlo::tuning
