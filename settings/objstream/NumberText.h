#pragma once
// Numbers of the object stream: the 80-bit extended payload and the text forms of integers and
// floats. Independent of the C locale (the decimal separator is always "."). Free functions
// without state; any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::size_t kExtendedSize = 10;

// 64-bit mantissa with an explicit integer bit, 15-bit exponent biased by 16383, sign;
// little-endian.
long double ExtendedFromBytes(const std::uint8_t (&bytes)[kExtendedSize]);
void ExtendedToBytes(long double value, std::uint8_t (&bytes)[kExtendedSize]);

// Fixed-point with 18 digits after the "." of the value rounded to 16 significant digits.
std::string FormatFloatFixed(long double value);
// The shorter of fixed and scientific notation with up to 15 significant digits ("1.5",
// "1E20", "1.5E-7").
std::string FormatFloatGeneral(long double value);

// A decimal integer with an optional "-", or "$" followed by 1 to 16 hexadecimal digits (the
// two's complement bit pattern); nullopt when the text is anything else or out of range.
std::optional<std::int64_t> ParseInteger(std::string_view text);
// A decimal float ("1", "-1.5", "2.5E-3"); nullopt when the text is anything else.
std::optional<long double> ParseFloat(std::string_view text);
