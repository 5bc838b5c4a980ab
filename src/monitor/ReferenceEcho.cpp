// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/ReferenceEcho.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <fstream>

#include "files/ReplaceFile.h"
#include "observe/Observer.h"

namespace purlo {

namespace {

constexpr std::string_view kHeader = "Purlo reference echo ";
constexpr int kVersion = 1;
constexpr std::string_view kSamples = "samples ";
constexpr std::string_view kBytes = "bytes ";
// A valid file is under 600 bytes; anything far larger is not one.
constexpr std::uintmax_t kLargestFile = 4096;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Splits off the next line, its CR LF or LF removed. False at the end of the text.
bool nextLine(std::string_view& text, std::string_view& line) {
    if (text.empty()) return false;
    const std::size_t lf = text.find('\n');
    line = text.substr(0, lf);
    text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

// A whole line of decimal digits as a number; nothing else.
std::optional<std::size_t> wholeNumber(std::string_view digits) {
    std::size_t n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc{} || end != digits.data() + digits.size() || digits.empty() ||
        digits.front() == '+' || digits.front() == '-') {
        return std::nullopt;
    }
    return n;
}

ReferenceRead refused(std::string why) {
    return {{}, std::move(why)};
}

}  // namespace

MatchCounts compareEcho(std::span<const std::uint8_t> reference,
                        std::span<const std::uint8_t> record, std::vector<SampleMatch>& out) {
    const std::size_t samples = std::max(reference.size(), record.size()) * kSamplesPerByte;
    out.resize(samples);
    MatchCounts counts;
    for (std::size_t i = 0; i < samples; ++i) {
        const bool inReference = sampleHigh(reference, i);
        const bool inRecord = sampleHigh(record, i);
        SampleMatch m;
        if (inReference && inRecord) {
            m = SampleMatch::Both;
            ++counts.both;
        } else if (inRecord) {
            m = SampleMatch::OnlyNew;
            ++counts.onlyNew;
        } else if (inReference) {
            m = SampleMatch::OnlyReference;
            ++counts.onlyReference;
        } else {
            m = SampleMatch::Neither;
            ++counts.neither;
        }
        out[i] = m;
    }
    return counts;
}

std::string referenceEchoText(std::span<const std::uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(kHeader);
    text += std::to_string(kVersion);
    text += "\r\n";
    text += kSamples;
    text += std::to_string(bytes.size() * kSamplesPerByte);
    text += "\r\n";
    text += kBytes;
    for (const std::uint8_t b : bytes) {
        text += kHex[b >> 4];
        text += kHex[b & 0xf];
    }
    text += "\r\n";
    return text;
}

ReferenceRead parseReferenceEcho(std::string_view text) {
    std::string_view line;
    if (!nextLine(text, line) || !line.starts_with(kHeader)) {
        return refused("not a reference echo file");
    }
    const auto version = wholeNumber(line.substr(kHeader.size()));
    if (!version) return refused("not a reference echo file");
    if (*version != kVersion) {
        return refused("format version " + std::to_string(*version) +
                       " is not one this program reads (it reads version " +
                       std::to_string(kVersion) + ")");
    }
    if (!nextLine(text, line) || !line.starts_with(kSamples)) {
        return refused("the sample count is missing");
    }
    const auto samples = wholeNumber(line.substr(kSamples.size()));
    if (!samples || *samples == 0 || *samples % kSamplesPerByte != 0 ||
        *samples > kReferenceMaxBytes * kSamplesPerByte) {
        return refused("the sample count is not a whole number of bytes from 8 to " +
                       std::to_string(kReferenceMaxBytes * kSamplesPerByte));
    }
    if (!nextLine(text, line) || !line.starts_with(kBytes)) {
        return refused("the sample bytes are missing");
    }
    const std::string_view hex = line.substr(kBytes.size());
    const std::size_t expected = *samples / kSamplesPerByte;
    if (hex.size() != 2 * expected) {
        return refused("the file is damaged: " + std::to_string(expected) +
                       " sample bytes announced, " + std::to_string(hex.size() / 2) + " found");
    }
    ReferenceRead read;
    read.bytes.reserve(expected);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return refused("the file is damaged: a sample byte is not hex");
        read.bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    // Nothing may follow but line ends: a file with more is not one we wrote.
    while (nextLine(text, line)) {
        if (!line.empty()) return refused("the file is damaged: text after the sample bytes");
    }
    return read;
}

std::optional<std::string> saveReferenceEcho(const std::filesystem::path& folder,
                                             std::span<const std::uint8_t> bytes) {
    const std::string name = kReferenceEchoFileName;
    if (bytes.empty()) return name + " not saved: there is no reference echo";
    if (bytes.size() > kReferenceMaxBytes) bytes = bytes.first(kReferenceMaxBytes);
    try {
        replaceFile(folder / name, referenceEchoText(bytes));
    } catch (const std::exception& e) {
        return name + " could not be saved: " + e.what();
    }
    return std::nullopt;
}

ReferenceRead loadReferenceEcho(const std::filesystem::path& folder) {
    const std::string name = kReferenceEchoFileName;
    const std::filesystem::path path = folder / name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return refused(name + " not found");
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return refused(name + " cannot be read");
    if (size > kLargestFile) return refused(name + ": not a reference echo file (too large)");
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        return refused(name + " cannot be read");
    }
    ReferenceRead read = parseReferenceEcho(text);
    if (!read.ok()) read.error = name + ": " + read.error;
    return read;
}

}  // namespace purlo
