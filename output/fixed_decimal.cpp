// SPDX-License-Identifier: MIT
#include "output/fixed_decimal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tonvell {

namespace {

constexpr int kMantissaBits = 52;
constexpr int kExponentBias = 1075;  // 1023 + 52: the value is mantissa * 2^(exponent - 1075)
constexpr int kMaxDecimals = 3;      // mantissa * 10^3 stays below 2^63
constexpr std::uint64_t kLimbBase = 1'000'000'000;

struct Parts {
    bool negative;
    std::uint64_t mantissa;
    int exponent;  // value = mantissa * 2^exponent
};

Parts Split(double value) {
    // std::bit_cast spelled out: the web build's standard library lacks it.
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> kMantissaBits) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << kMantissaBits) - 1);
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << kMantissaBits;
    }
    return {(bits >> 63) != 0, mantissa, (biased == 0 ? 1 : biased) - kExponentBias};
}

std::uint64_t PowerOfTen(int decimals) {
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    return scale;
}

void AppendDigits(std::string& out, std::uint64_t number, int minimumDigits) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    for (; count < minimumDigits; ++count) {
        digits[count] = '0';
    }
    while (count > 0) {
        out += digits[--count];
    }
}

// scaled / 2^shift rounded half to even.
std::uint64_t ShiftRightRounded(std::uint64_t scaled, int shift) {
    if (shift >= 64) {
        // scaled is below 2^63 (see kMaxDecimals), so below one half.
        return 0;
    }
    const std::uint64_t quotient = scaled >> shift;
    const std::uint64_t remainder = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    const bool up = remainder > half || (remainder == half && (quotient & 1) != 0);
    return quotient + (up ? 1 : 0);
}

// A whole number mantissa * 2^exponent too large for 64 bits, in decimal:
// limbs of nine digits, least significant first, doubled exponent times.
void AppendLargeInteger(std::string& out, std::uint64_t mantissa, int exponent) {
    std::vector<std::uint32_t> limbs;
    for (; mantissa != 0; mantissa /= kLimbBase) {
        limbs.push_back(static_cast<std::uint32_t>(mantissa % kLimbBase));
    }
    for (int i = 0; i < exponent; ++i) {
        std::uint32_t carry = 0;
        for (std::uint32_t& limb : limbs) {
            const std::uint64_t doubled = std::uint64_t{limb} * 2 + carry;
            limb = static_cast<std::uint32_t>(doubled % kLimbBase);
            carry = static_cast<std::uint32_t>(doubled / kLimbBase);
        }
        if (carry != 0) {
            limbs.push_back(carry);
        }
    }
    AppendDigits(out, limbs.back(), 1);
    for (auto limb = limbs.rbegin() + 1; limb != limbs.rend(); ++limb) {
        AppendDigits(out, *limb, 9);
    }
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) {
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    const Parts parts = Split(value);
    if (parts.negative) {
        out += '-';
    }
    if (parts.exponent > 1023 - kMantissaBits) {
        out += parts.mantissa == std::uint64_t{1} << kMantissaBits ? "inf" : "nan";
        return;
    }
    if (parts.exponent >= 0) {
        // A whole number: its digits, then zeros.
        if (parts.exponent <= 63 - (kMantissaBits + 1)) {
            AppendDigits(out, parts.mantissa << parts.exponent, 1);
        } else {
            AppendLargeInteger(out, parts.mantissa, parts.exponent);
        }
        if (decimals > 0) {
            out += '.';
            out.append(static_cast<std::size_t>(decimals), '0');
        }
        return;
    }
    const std::uint64_t scale = PowerOfTen(decimals);
    const std::uint64_t scaled = ShiftRightRounded(parts.mantissa * scale, -parts.exponent);
    AppendDigits(out, scaled / scale, 1);
    if (decimals > 0) {
        out += '.';
        AppendDigits(out, scaled % scale, decimals);
    }
}

}  // namespace tonvell
