// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace purlo {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Scans the number at the start of `text`, blanks skipped, into `out` (sign,
// digits, at most one point, an exponent only when digits follow it).
// Returns false when there is no mantissa digit at all.
bool scanNumber(std::string_view text, std::string& out, bool& negative) {
    std::size_t i = 0;
    auto skip = [&] {
        while (i < text.size() && isBlank(text[i])) ++i;
    };
    skip();
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isBlank(c)) continue;
        if (isDigit(c)) {
            out += c;
            digits = true;
        } else if (c == '.' && !point) {
            out += c;
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::string exponent = "e";
        std::size_t j = i + 1;
        while (j < text.size() && isBlank(text[j])) ++j;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        bool expDigits = false;
        for (; j < text.size(); ++j) {
            if (isBlank(text[j])) continue;
            if (!isDigit(text[j])) break;
            exponent += text[j];
            expDigits = true;
        }
        if (expDigits) out += exponent;
    }
    return true;
}

// Decimal order of magnitude of a scanned number, enough to tell an overflow
// from an underflow when from_chars reports the value out of range.
long long magnitude(const std::string& number) {
    const auto e = number.find('e');
    const std::string mantissa = number.substr(0, e);
    long long exponent = 0;
    if (e != std::string::npos) {
        const std::string_view rest = std::string_view(number).substr(e + 1);
        const bool neg = !rest.empty() && rest.front() == '-';
        const auto digits = rest.substr(rest.empty() || isDigit(rest.front()) ? 0 : 1);
        // Exponents with absurdly many digits are clamped; only the sign matters then.
        exponent =
            digits.size() > 12 ? 1'000'000'000'000LL : std::atoll(std::string(digits).c_str());
        if (neg) exponent = -exponent;
    }
    const auto point = mantissa.find('.');
    const std::string whole = mantissa.substr(0, point);
    const auto firstWhole = whole.find_first_not_of('0');
    if (firstWhole != std::string::npos) {
        return static_cast<long long>(whole.size() - firstWhole) + exponent;
    }
    const std::string fraction = point == std::string::npos ? "" : mantissa.substr(point + 1);
    const auto firstFraction = fraction.find_first_not_of('0');
    if (firstFraction == std::string::npos) return std::numeric_limits<long long>::min();
    return -static_cast<long long>(firstFraction) + exponent;
}

// The 7 significant digits and decimal exponent of a float: value = digits * 10^(exponent - 6).
struct Decimal7 {
    bool negative = false;
    long long digits = 0;  // 0 or 1'000'000 .. 9'999'999
    int exponent = 0;
};

Decimal7 decimal7(float value) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 6);
    const std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
    Decimal7 d;
    std::size_t i = 0;
    if (s[i] == '-') {
        d.negative = true;
        ++i;
    }
    for (; i < s.size() && s[i] != 'e'; ++i) {
        if (isDigit(s[i])) d.digits = d.digits * 10 + (s[i] - '0');
    }
    std::from_chars(s.data() + i + 1 + (s[i + 1] == '+' ? 1 : 0), s.data() + s.size(), d.exponent);
    return d;
}

}  // namespace

double parseNumber(std::string_view text) {
    std::string number;
    bool negative = false;
    if (!scanNumber(text, number, negative)) return 0.0;
    double value = 0.0;
    const auto res = std::from_chars(number.data(), number.data() + number.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        value = magnitude(number) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

template <class T>
T toWidth(double value) {
    if (!std::isfinite(value)) throw RuntimeError("not a number");
    const double whole = std::nearbyint(value);  // default rounding mode: halves to even
    if (whole < static_cast<double>(std::numeric_limits<T>::min()) ||
        whole > static_cast<double>(std::numeric_limits<T>::max())) {
        throw RuntimeError("overflow");
    }
    return static_cast<T>(whole);
}

template std::uint8_t toWidth<std::uint8_t>(double);
template std::int16_t toWidth<std::int16_t>(double);
template std::int32_t toWidth<std::int32_t>(double);

float toSingle(double value) {
    if (std::isnan(value) ||
        std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        throw RuntimeError("overflow");
    }
    return static_cast<float>(value);
}

float roundToDecimals(float value, int decimals) {
    if (!std::isfinite(value) || value == 0.0f) return value == 0.0f ? 0.0f : value;
    const Decimal7 d = decimal7(value);
    // value = digits * 10^(exponent - 6); keep `decimals` places.
    const int shift = d.exponent - 6 + decimals;
    if (shift >= 0) return value;  // already no finer than the wanted places
    const int drop = -shift;
    long long rounded = 0;
    if (drop <= 7) {
        long long divisor = 1;
        for (int i = 0; i < drop; ++i) divisor *= 10;
        rounded = d.digits / divisor;
        if ((d.digits % divisor) * 2 >= divisor) ++rounded;  // halves away from zero
    }
    if (rounded == 0) return 0.0f;
    const std::string text =
        (d.negative ? "-" : "") + std::to_string(rounded) + "e" + std::to_string(-decimals);
    float result = 0.0f;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

std::string floatText(float value, char separator) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
    if (value == 0.0f) return "0";
    const Decimal7 d = decimal7(value);
    std::string digits = std::to_string(d.digits);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = d.negative ? "-" : "";
    if (d.exponent >= 15 || d.exponent < -5) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += separator + digits.substr(1);
        const int e = d.exponent;
        out += e < 0 ? "E-" : "E+";
        const std::string ex = std::to_string(e < 0 ? -e : e);
        out += (ex.size() < 2 ? "0" : "") + ex;
        return out;
    }
    if (d.exponent >= 0) {
        const auto wholeDigits = static_cast<std::size_t>(d.exponent) + 1;
        if (digits.size() <= wholeDigits) {
            out += digits + std::string(wholeDigits - digits.size(), '0');
        } else {
            out += digits.substr(0, wholeDigits) + separator + digits.substr(wholeDigits);
        }
    } else {
        out += std::string("0") + separator +
               std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + digits;
    }
    return out;
}

std::string intText(long long value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return {buf, res.ptr};
}

}  // namespace purlo
