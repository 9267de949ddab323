// %.14g rounds the exact binary value of the double to 14 significant digits, ties to
// even. For the values a package is made of (positions and sizes in points) this is
// done here in 128-bit integer arithmetic, several times faster than the general
// conversion of the standard library, which still serves zero, subnormal, infinite and
// NaN values and magnitudes beyond the reach of the integer arithmetic.
#include "writer/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t tenToThe13 = 10000000000000ULL;
constexpr std::uint64_t tenToThe14 = 100000000000000ULL;

struct PowersOfTen {
    Wide exact[23];  // 10^0 .. 10^22
    constexpr PowersOfTen() : exact() {
        exact[0] = 1;
        for (int i = 1; i < 23; ++i) exact[i] = exact[i - 1] * 10;
    }
};
constexpr PowersOfTen powers;

// 1e-30 .. 1e40, as the compiler rounds them.
constexpr double nearPowers[] = {
    1e-30, 1e-29, 1e-28, 1e-27, 1e-26, 1e-25, 1e-24, 1e-23, 1e-22, 1e-21, 1e-20, 1e-19,
    1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9,  1e-8,  1e-7,
    1e-6,  1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,   1e5,
    1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,  1e13,  1e14,  1e15,  1e16,  1e17,
    1e18,  1e19,  1e20,  1e21,  1e22,  1e23,  1e24,  1e25,  1e26,  1e27,  1e28,  1e29,
    1e30,  1e31,  1e32,  1e33,  1e34,  1e35,  1e36,  1e37,  1e38,  1e39,  1e40};

// The general conversion, with the exponent widened to three digits.
char* General(char* out, double value) {
    char* end = std::to_chars(out, out + maxNumberLength, value, std::chars_format::general, 14).ptr;
    char* e = std::find(out, end, 'e');
    if (e != end && end - (e + 2) < 3) {
        const std::ptrdiff_t pad = 3 - (end - (e + 2));
        std::copy_backward(e + 2, end, end + pad);
        std::fill(e + 2, e + 2 + pad, '0');
        end += pad;
    }
    return end;
}

// n = m * 2^q * 10^k rounded to the nearest integer, ties to even. False when the
// exact fraction does not fit in 128 bits.
bool Scale(std::uint64_t m, int q, int k, std::uint64_t& n) {
    if (k > 22 || k < -22) return false;  // 10^22 < 2^74 and m < 2^53
    Wide quotient, twiceRemainder, denominator;
    if (k >= 0) {
        // The denominator is a power of two: a shift divides.
        const Wide numerator = m * powers.exact[k];
        if (q >= 0) {
            if (q > 127 - 53 - 74) return false;
            n = static_cast<std::uint64_t>(numerator << q);
            return (numerator << q) <= ~std::uint64_t{0};
        }
        if (-q > 126) return false;
        quotient = numerator >> -q;
        twiceRemainder = (numerator - (quotient << -q)) << 1;
        denominator = Wide{1} << -q;
    } else {
        Wide numerator = m;
        denominator = powers.exact[-k];
        if (q >= 0) {
            if (q > 127 - 53) return false;
            numerator <<= q;
        } else {
            if (-q > 127 - 74) return false;
            denominator <<= -q;
        }
        quotient = numerator / denominator;
        twiceRemainder = (numerator - quotient * denominator) << 1;
    }
    if (twiceRemainder > denominator || (twiceRemainder == denominator && (quotient & 1)))
        ++quotient;
    if (quotient > ~std::uint64_t{0}) return false;
    n = static_cast<std::uint64_t>(quotient);
    return true;
}

// "00" to "99".
struct DigitPairs {
    char text[200];
    constexpr DigitPairs() : text() {
        for (int i = 0; i < 100; ++i) {
            text[2 * i] = static_cast<char>('0' + i / 10);
            text[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr DigitPairs pairs;

// The 7 digits of n < 10^7, leading zeros included.
void SevenDigits(char* out, std::uint32_t n) {
    const std::uint32_t high = n / 100000, middle = n / 1000 % 100, low = n % 1000;
    std::memcpy(out, pairs.text + 2 * high, 2);
    std::memcpy(out + 2, pairs.text + 2 * middle, 2);
    out[4] = static_cast<char>('0' + low / 100);
    std::memcpy(out + 5, pairs.text + 2 * (low % 100), 2);
}

}  // namespace

char* WriteNumber(char* out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biasedExponent = static_cast<int>(bits >> 52 & 0x7FF);
    if (biasedExponent == 0 || biasedExponent == 0x7FF) return General(out, value);
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | std::uint64_t{1} << 52;
    const int q = biasedExponent - 1075;  // value = m * 2^q

    // e, the decimal exponent of the leading digit: floor(b * log10 2) for the binary
    // exponent b is e or one less; the scaled value's digit count settles the rest.
    const int b = q + 52;
    int e = (b * 78913) >> 18;
    if (e >= -31 && e <= 39 && std::fabs(value) >= nearPowers[e + 31]) ++e;
    std::uint64_t n = 0;
    for (int attempt = 0;; ++attempt) {
        if (attempt == 3 || !Scale(m, q, 13 - e, n)) return General(out, value);
        if (n >= tenToThe14) {
            ++e;
        } else if (n < tenToThe13) {
            --e;
        } else {
            break;
        }
    }

    char digits[14];
    SevenDigits(digits, static_cast<std::uint32_t>(n / 10000000));
    SevenDigits(digits + 7, static_cast<std::uint32_t>(n % 10000000));
    int used = 14;  // without trailing zeros
    while (used > 1 && digits[used - 1] == '0') --used;

    char* p = out;
    if (bits >> 63) *p++ = '-';
    if (e >= -4 && e < 14) {
        if (e >= 0) {
            p = std::copy(digits, digits + e + 1, p);
            if (used > e + 1) {
                *p++ = '.';
                p = std::copy(digits + e + 1, digits + used, p);
            }
        } else {
            *p++ = '0';
            *p++ = '.';
            p = std::fill_n(p, -e - 1, '0');
            p = std::copy(digits, digits + used, p);
        }
        return p;
    }
    *p++ = digits[0];
    if (used > 1) {
        *p++ = '.';
        p = std::copy(digits + 1, digits + used, p);
    }
    *p++ = 'e';
    *p++ = e < 0 ? '-' : '+';
    const int magnitude = e < 0 ? -e : e;
    *p++ = static_cast<char>('0' + magnitude / 100);
    *p++ = static_cast<char>('0' + magnitude / 10 % 10);
    *p++ = static_cast<char>('0' + magnitude % 10);
    return p;
}

char* WriteInteger(char* out, std::uint64_t value, int minDigits) {
    char digits[20];
    char* start = digits + sizeof digits;
    while (value >= 100) {
        start -= 2;
        std::memcpy(start, pairs.text + 2 * (value % 100), 2);
        value /= 100;
    }
    if (value >= 10) {
        start -= 2;
        std::memcpy(start, pairs.text + 2 * value, 2);
    } else {
        *--start = static_cast<char>('0' + value);
    }
    for (int length = int(digits + sizeof digits - start); length < minDigits; ++length)
        *out++ = '0';
    return std::copy(start, digits + sizeof digits, out);
}

std::string_view IntegerText(std::int64_t value, int minDigits, char (&buffer)[24]) {
    if (value >= 0) {
        return {buffer, static_cast<std::size_t>(
                            WriteInteger(buffer, std::uint64_t(value), minDigits) - buffer)};
    }
    char digits[24];
    const char* end = WriteInteger(digits, 0 - static_cast<std::uint64_t>(value), 1);
    const int length = int(end - digits) + 1;
    char* p = std::fill_n(buffer, std::max(minDigits - length, 0), '0');
    *p++ = '-';
    p = std::copy(static_cast<const char*>(digits), end, p);
    return {buffer, static_cast<std::size_t>(p - buffer)};
}

void AppendNumber(std::string& text, double value) {
    char buffer[maxNumberLength];
    text.append(buffer, static_cast<std::size_t>(WriteNumber(buffer, value) - buffer));
}
