// %.14g rounds the exact binary value of the double to 14 significant digits, ties to
// even. For the values a package is made of (positions and sizes in points) this is
// done here in 128-bit integer arithmetic, several times faster than the general
// conversion of the standard library, which still serves zero, subnormal, infinite and
// NaN values and magnitudes beyond the reach of the integer arithmetic.
#include "writer/NumberFormat.h"

#include <algorithm>
#include <bit>
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
    char* end =
        std::to_chars(out, out + maxNumberLength, value, std::chars_format::general, 14).ptr;
    char* e = std::find(out, end, 'e');
    if (e != end && end - (e + 2) < 3) {
        const std::ptrdiff_t pad = 3 - (end - (e + 2));
        std::copy_backward(e + 2, end, end + pad);
        std::fill(e + 2, e + 2 + pad, '0');
        end += pad;
    }
    return end;
}

// 5^0 .. 5^27, the powers of five that fit in 64 bits.
struct PowersOfFive {
    std::uint64_t exact[28];
    constexpr PowersOfFive() : exact() {
        exact[0] = 1;
        for (int i = 1; i < 28; ++i) exact[i] = exact[i - 1] * 5;
    }
};
constexpr PowersOfFive fives;

// n = m * 2^q * 10^k rounded to the nearest integer, ties to even. False when the
// exact fraction does not fit in 128 bits.
bool Scale(std::uint64_t m, int q, int k, std::uint64_t& n) {
    // The usual case, a number of points with 14 significant digits: 10^k = 5^k 2^k,
    // so n is m 5^k, one 64-bit product, shifted right by -q - k, which is then
    // between 1 and 63 bits. The quotient fits in 64 bits (the product has less than
    // 53 + 64 bits), and so does the remainder below the shift.
    const int shift = -q - k;
    if (k >= 0 && k < 28 && shift > 0 && shift < 64) {
        const Wide numerator = Wide{m} * fives.exact[k];
        const auto high = static_cast<std::uint64_t>(numerator >> 64);
        const auto low = static_cast<std::uint64_t>(numerator);
        if (high >> shift != 0) return false;
        const std::uint64_t quotient = high << (64 - shift) | low >> shift;
        if (quotient == ~std::uint64_t{0}) return false;  // no room to round up
        const std::uint64_t remainder = low & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        n = quotient + (remainder > half || (remainder == half && (quotient & 1)));
        return true;
    }
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

// The 8 decimal digits of x < 10^8 as byte values 0 to 9, the first digit in the
// lowest byte, computed for all digits at once: x is split into two halves of four
// digits in 32-bit lanes, those into pairs in 16-bit lanes, those into single digits in
// bytes. The multiply-and-shift steps divide exactly in their ranges (by 100 below
// 43699, by 10 below 179), and no lane carries into the next.
std::uint64_t EightDigits(std::uint32_t x) {
    const std::uint64_t fours = x / 10000 | std::uint64_t{x % 10000} << 32;
    const std::uint64_t hundreds = (fours * 10486 >> 20) & 0x0000007F0000007FULL;
    const std::uint64_t twos = hundreds | (fours - hundreds * 100) << 16;
    const std::uint64_t tens = (twos * 103 >> 10) & 0x000F000F000F000FULL;
    return tens | (twos - tens * 10) << 8;
}

// Stores the eight digits of EightDigits as text, the first digit first.
void StoreDigits(char* out, std::uint64_t digits) {
    digits += 0x3030303030303030ULL;  // '0' in every byte
    if constexpr (std::endian::native == std::endian::big) digits = __builtin_bswap64(digits);
    std::memcpy(out, &digits, 8);
}

// "00" to "99", for the integers.
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

// The 14 significant digits of n, 10^13 <= n < 10^14, for fixed-size copies: they
// start at Start(), after two leading zeros of the upper eight in `buffer`, and are
// followed by zeros up to its end, so a 16-byte copy may start anywhere in them.
struct Digits {
    char buffer[32] = {};
    int used;  // without trailing zeros, at least 1

    const char* Start() const { return buffer + 2; }
};

inline Digits MakeDigits(std::uint64_t n) {
    Digits result;
    const std::uint64_t upper = EightDigits(static_cast<std::uint32_t>(n / 100000000));
    const std::uint64_t lower = EightDigits(static_cast<std::uint32_t>(n % 100000000));
    StoreDigits(result.buffer, upper);
    StoreDigits(result.buffer + 8, lower);
    // Trailing zero digits are zero bytes at the top of a word; upper is never 0.
    const int trailingZeros =
        lower != 0 ? std::countl_zero(lower) / 8 : 8 + std::countl_zero(upper) / 8;
    result.used = 14 - trailingZeros;
    return result;
}

// The fixed form of a number whose leading digit has the exponent e, 0 <= e < 14: the
// integer part, then a point and the fraction digits if there are any.
inline char* WriteFixed(char* p, const Digits& d, int e) {
    std::memcpy(p, d.Start(), 16);
    if (d.used <= e + 1) return p + e + 1;
    p[e + 1] = '.';
    std::memcpy(p + e + 2, d.Start() + e + 1, 16);
    return p + d.used + 1;
}

// Every value: the decimal exponent found and checked by scaling, the integer
// arithmetic where it reaches, the general conversion elsewhere.
[[gnu::noinline]] char* WriteAnyNumber(char* out, double value) {
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

    const Digits d = MakeDigits(n);
    char* p = out;
    if (bits >> 63) *p++ = '-';
    if (e >= 0 && e < 14) return WriteFixed(p, d, e);
    if (e >= -4 && e < 0) {
        std::memcpy(p, "0.000", 5);
        std::memcpy(p + 1 - e, d.Start(), 16);
        return p + 1 - e + d.used;
    }
    *p = d.Start()[0];
    if (d.used > 1) {
        p[1] = '.';
        std::memcpy(p + 2, d.Start() + 1, 16);
        p += d.used + 1;
    } else {
        p += 1;
    }
    *p++ = 'e';
    *p++ = e < 0 ? '-' : '+';
    const int magnitude = e < 0 ? -e : e;
    *p++ = static_cast<char>('0' + magnitude / 100);
    *p++ = static_cast<char>('0' + magnitude / 10 % 10);
    *p++ = static_cast<char>('0' + magnitude % 10);
    return p;
}

}  // namespace

char* WriteNumber(char* out, double value) {
    // The usual value, a position or size in points with 1 <= |value| < 2^46, takes a
    // straight path; every other value takes the general one.
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int b = static_cast<int>(bits >> 52 & 0x7FF) - 1023;  // value = m * 2^(b - 52)
    if (b < 0 || b > 45) return WriteAnyNumber(out, value);
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | std::uint64_t{1} << 52;

    // The decimal exponent e of the leading digit is floor(b * log10 2) or one more; the
    // powers of ten up to 10^14 are exact doubles, so one comparison settles it.
    int e = (b * 78913) >> 18;
    if (std::fabs(value) >= nearPowers[e + 31]) ++e;  // 10^(e + 1)

    // n = m * 2^(b - 52) * 10^(13 - e) rounded, ties to even: m * 5^(13 - e) shifted right
    // by 39 - b + e, between 6 and 39 bits here.
    const Wide numerator = Wide{m} * fives.exact[13 - e];
    const int shift = 39 - b + e;
    const auto high = static_cast<std::uint64_t>(numerator >> 64);
    const auto low = static_cast<std::uint64_t>(numerator);
    const std::uint64_t quotient = high << (64 - shift) | low >> shift;
    const std::uint64_t remainder = low & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    const std::uint64_t n = quotient + (remainder > half || (remainder == half && (quotient & 1)));
    // Rounded up to 10^(e + 1): the leading digit moves, perhaps into the exponent form.
    if (n == tenToThe14) return WriteAnyNumber(out, value);

    const Digits d = MakeDigits(n);
    char* p = out;
    if (bits >> 63) *p++ = '-';
    return WriteFixed(p, d, e);
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
