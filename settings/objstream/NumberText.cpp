#include "settings/objstream/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstring>

long double ExtendedFromBytes(const std::uint8_t (&bytes)[kExtendedSize]) {
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | bytes[i];
    const bool negative = (bytes[9] & 0x80) != 0;
    const int exponent = ((bytes[9] & 0x7F) << 8) | bytes[8];
    long double value;
    if (exponent == 0x7FFF) {
        value = (mantissa << 1) == 0 ? HUGE_VALL : std::nanl("");
    } else {
        // A zero exponent field scales like the smallest normal exponent (denormals).
        value = std::ldexp(static_cast<long double>(mantissa),
                           (exponent == 0 ? 1 : exponent) - 16383 - 63);
    }
    return negative ? -value : value;
}

void ExtendedToBytes(long double value, std::uint8_t (&bytes)[kExtendedSize]) {
    std::uint64_t mantissa = 0;
    int exponent = 0;
    const bool negative = std::signbit(value);
    if (std::isnan(value)) {
        exponent = 0x7FFF;
        mantissa = 0xC000000000000000ull;
    } else if (std::isinf(value)) {
        exponent = 0x7FFF;
        mantissa = 0x8000000000000000ull;
    } else if (value != 0) {
        int binaryExponent = 0;
        const long double fraction = std::frexp(std::fabs(value), &binaryExponent); // [0.5, 1)
        exponent = binaryExponent + 16382;
        if (exponent >= 0x7FFF) {
            exponent = 0x7FFF;
            mantissa = 0x8000000000000000ull;
        } else if (exponent <= 0) {
            mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 63 + exponent));
            exponent = 0;
        } else {
            mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
        }
    }
    for (int i = 0; i < 8; ++i)
        bytes[i] = std::uint8_t(mantissa >> (8 * i));
    bytes[8] = std::uint8_t(exponent);
    bytes[9] = std::uint8_t((exponent >> 8) | (negative ? 0x80 : 0));
}

namespace {
std::string NonFinite(long double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// The significant digits (without trailing zeros, at least one) and the decimal exponent of
// the first one.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal ToDecimal(long double value, int significant) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value,
                                      std::chars_format::scientific, significant - 1);
    Decimal decimal;
    const char* p = text;
    if (*p == '-') decimal.negative = true, ++p;
    for (; p < result.ptr && *p != 'e'; ++p)
        if (*p != '.') decimal.digits += *p;
    if (p < result.ptr)
        (void)std::from_chars(p + (p[1] == '+' ? 2 : 1), result.ptr, decimal.exponent);
    while (decimal.digits.size() > 1 && decimal.digits.back() == '0')
        decimal.digits.pop_back();
    return decimal;
}
} // namespace

std::string FormatFloatFixed(long double value) {
    if (!std::isfinite(value)) return NonFinite(value);
    constexpr int kDecimals = 18;
    const Decimal decimal = ToDecimal(value, 16);
    if (decimal.exponent < -2) {
        // Digits beyond the 18th decimal are rounded off; fewer than 16 significant remain.
        char text[64];
        const auto result =
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, kDecimals);
        return std::string(text, result.ptr);
    }
    std::string integer;
    std::string fraction;
    const int count = int(decimal.digits.size());
    if (decimal.exponent >= 0) {
        for (int i = 0; i <= decimal.exponent; ++i)
            integer += i < count ? decimal.digits[i] : '0';
        if (decimal.exponent + 1 < count) fraction = decimal.digits.substr(decimal.exponent + 1);
    } else {
        integer = "0";
        fraction = std::string(-decimal.exponent - 1, '0') + decimal.digits;
    }
    fraction.resize(kDecimals, '0');
    return (decimal.negative ? "-" : "") + integer + "." + fraction;
}

std::string FormatFloatGeneral(long double value) {
    if (!std::isfinite(value)) return NonFinite(value);
    if (value == 0) return "0";
    constexpr int kPrecision = 15;
    const Decimal decimal = ToDecimal(value, kPrecision);
    std::string text = decimal.negative ? "-" : "";
    const int count = int(decimal.digits.size());
    if (decimal.exponent >= kPrecision || decimal.exponent < -5) {
        text += decimal.digits[0];
        if (count > 1) text += "." + decimal.digits.substr(1);
        return text + "E" + std::to_string(decimal.exponent);
    }
    if (decimal.exponent >= 0) {
        for (int i = 0; i <= decimal.exponent; ++i)
            text += i < count ? decimal.digits[i] : '0';
        if (decimal.exponent + 1 < count) text += "." + decimal.digits.substr(decimal.exponent + 1);
        return text;
    }
    return text + "0." + std::string(-decimal.exponent - 1, '0') + decimal.digits;
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
    if (!text.empty() && text.front() == '$') {
        const std::string_view digits = text.substr(1);
        std::uint64_t value = 0;
        if (digits.empty() || digits.size() > 16) return std::nullopt;
        const auto result =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (result.ec != std::errc() || result.ptr != digits.data() + digits.size())
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<long double> ParseFloat(std::string_view text) {
    long double value = 0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    // An exponent out of range is no number either.
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}
