// A faster way to write a double as printf's %.14g does, checked against what
// deckgen's AppendNumber (writer/OutputFile.cpp) uses today, std::to_chars(general,
// precision 14), and timed against it. Not part of the converter or its tests: it is
// the evidence for a proposed change. Build and run:
//
//   g++ -std=c++20 -O2 -Wall -Wextra -Wpedantic -o number_check bench/number_check.cpp
//   ./number_check [millions of values to check, default 20]
//
// The method: a finite positive double is m * 2^q exactly (m < 2^53). For a guessed
// decimal exponent e, N = m * 2^q * 10^(13 - e) is formed as an exact fraction of
// 128-bit integers and rounded to the nearest integer, ties to even (the exact decimal
// rounding that to_chars and glibc's printf perform). If N has more or fewer than 14
// digits the guess is corrected and N formed again. The 14 digits are then laid out in
// %g's fixed or exponent form without trailing zeros. Values whose fraction would not
// fit in 128 bits (below about 1e-9 or above about 1e36), zero, infinities and NaN go
// to std::to_chars as before.
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

__extension__ typedef unsigned __int128 u128;  // GCC and Clang

struct PowersOfTen {
    u128 value[23];
    constexpr PowersOfTen() : value() {
        value[0] = 1;
        for (int i = 1; i < 23; ++i) value[i] = value[i - 1] * 10;
    }
};
constexpr PowersOfTen kTens;
inline u128 Pow10(int n) { return kTens.value[n]; }

// "00" .. "99".
struct DigitPairs {
    char text[200];
    constexpr DigitPairs() : text() {
        for (int i = 0; i < 100; ++i) {
            text[2 * i] = static_cast<char>('0' + i / 10);
            text[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr DigitPairs kPairs;

// Writes the 7 decimal digits of n < 10^7.
inline void SevenDigits(char* out, std::uint32_t n) {
    const std::uint32_t a = n / 100000, rest = n % 100000;  // a < 100
    const std::uint32_t b = rest / 1000, c = rest % 1000;    // b < 100, c < 1000
    std::memcpy(out, kPairs.text + 2 * a, 2);
    std::memcpy(out + 2, kPairs.text + 2 * b, 2);
    out[4] = static_cast<char>('0' + c / 100);
    std::memcpy(out + 5, kPairs.text + 2 * (c % 100), 2);
}

// 1e-30 .. 1e40 as the compiler rounds them.
constexpr double kPowers[] = {
    1e-30, 1e-29, 1e-28, 1e-27, 1e-26, 1e-25, 1e-24, 1e-23, 1e-22, 1e-21, 1e-20, 1e-19, 1e-18, 1e-17,
    1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9,  1e-8,  1e-7,  1e-6,  1e-5,  1e-4,  1e-3,
    1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,   1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,
    1e12,  1e13,  1e14,  1e15,  1e16,  1e17,  1e18,  1e19,  1e20,  1e21,  1e22,  1e23,  1e24,  1e25,
    1e26,  1e27,  1e28,  1e29,  1e30,  1e31,  1e32,  1e33,  1e34,  1e35,  1e36,  1e37,  1e38,  1e39,
    1e40};

constexpr std::uint64_t ten13 = 10000000000000ULL;
constexpr std::uint64_t ten14 = 100000000000000ULL;

// The current AppendNumber's conversion, without the exponent padding.
char* SlowG14(char* out, char* last, double value) {
    return std::to_chars(out, last, value, std::chars_format::general, 14).ptr;
}

// N = value * 10^k rounded to nearest, ties to even, for value = m * 2^q. Returns
// false when the exact fraction does not fit the 128-bit arithmetic.
bool Scaled(std::uint64_t m, int q, int k, std::uint64_t& n) {
    if (k > 22 || k < -22) return false;  // 10^22 < 2^74, m * 10^22 < 2^127
    u128 num = m, den = 1;
    if (k >= 0) num *= Pow10(k); else den = Pow10(-k);
    if (q >= 0) {
        if (q > 127 - 53 - 74) return false;  // keeps num below 2^127
        num <<= q;
    } else {
        if (-q > 127 - 74) return false;  // keeps den below 2^127
        den <<= -q;
    }
    u128 quotient, remainder;
    if (k >= 0) {  // den is a power of two
        const int shift = -q > 0 ? -q : 0;
        quotient = num >> shift;
        remainder = num - (quotient << shift);
    } else {
        quotient = num / den;
        remainder = num - quotient * den;
    }
    const u128 twice = remainder << 1;
    if (twice > den || (twice == den && (quotient & 1))) ++quotient;
    if (quotient > ~std::uint64_t{0}) return false;
    n = static_cast<std::uint64_t>(quotient);
    return true;
}

char* FastG14(char* out, char* last, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>(bits >> 52 & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0 || biased == 0x7FF) return SlowG14(out, last, value);  // 0, subnormal, inf, NaN
    const std::uint64_t m = fraction | std::uint64_t{1} << 52;
    const int q = biased - 1075;
    // floor(log10(value)): b * 78913 / 2^18 is floor(b * log10(2)) for |b| < 1650,
    // which is floor(log10(value)) or one less (value lies in [2^b, 2^(b+1))); one
    // comparison with a power of ten usually settles it, and the loop below corrects
    // the rare miss at a power of ten that a double does not hold exactly.
    const int b = q + 52;
    int e = (b * 78913) >> 18;
    if (e + 1 >= -30 && e + 1 <= 40 && std::fabs(value) >= kPowers[e + 1 + 30]) ++e;
    std::uint64_t n = 0;
    for (int attempt = 0;; ++attempt) {
        if (attempt == 3 || !Scaled(m, q, 13 - e, n)) return SlowG14(out, last, value);
        if (n >= ten14) {
            ++e;
        } else if (n < ten13) {
            --e;
        } else {
            break;
        }
    }
    // The 14 digits, most significant first.
    char digits[14];
    SevenDigits(digits, static_cast<std::uint32_t>(n / 10000000));
    SevenDigits(digits + 7, static_cast<std::uint32_t>(n % 10000000));
    int used = 14;
    while (used > 1 && digits[used - 1] == '0') --used;

    char* p = out;
    if (bits >> 63) *p++ = '-';
    if (e >= -4 && e < 14) {
        if (e >= 0) {
            // e + 1 digits before the point.
            std::memcpy(p, digits, static_cast<std::size_t>(e + 1));
            p += e + 1;
            if (used > e + 1) {
                *p++ = '.';
                std::memcpy(p, digits + e + 1, static_cast<std::size_t>(used - (e + 1)));
                p += used - (e + 1);
            }
        } else {
            *p++ = '0';
            *p++ = '.';
            for (int i = 0; i < -e - 1; ++i) *p++ = '0';
            std::memcpy(p, digits, static_cast<std::size_t>(used));
            p += used;
        }
    } else {
        *p++ = digits[0];
        if (used > 1) {
            *p++ = '.';
            std::memcpy(p, digits + 1, static_cast<std::size_t>(used - 1));
            p += used - 1;
        }
        *p++ = 'e';
        *p++ = e < 0 ? '-' : '+';
        const int x = e < 0 ? -e : e;
        if (x >= 100) *p++ = static_cast<char>('0' + x / 100);
        *p++ = static_cast<char>('0' + x / 10 % 10);
        *p++ = static_cast<char>('0' + x % 10);
    }
    (void)last;
    return p;
}

long failures = 0;

void Compare(double value) {
    char a[64], b[64];
    char* ea = SlowG14(a, a + sizeof a, value);
    char* eb = FastG14(b, b + sizeof b, value);
    if (ea - a != eb - b || std::memcmp(a, b, std::size_t(ea - a)) != 0) {
        if (++failures <= 20) {
            std::printf("MISMATCH %a: to_chars %.*s, fast %.*s\n", value, int(ea - a), a, int(eb - b), b);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long millions = argc > 1 ? std::atol(argv[1]) : 20;
    std::mt19937_64 random(20240601);

    // 1. What deckgen writes: DVI positions (any 32-bit value) times the points per DVI
    //    unit of a plain TeX file, plus the 44 pt offset; also fix_word products.
    const double f = (25400000.0 / 473628672.0) * 1.0 * 0.0002834645669291339;
    long checked = 0;
    for (long i = 0; i < millions * 1000000 / 4; ++i) {
        const auto h = static_cast<std::int32_t>(random());
        const auto small = static_cast<std::int32_t>(random() % 60000000) - 10000000;
        Compare(h * f + 44.0);
        Compare(small * f + 44.0);
        Compare(655360.0 * static_cast<std::int32_t>(random() % (1 << 24)) * f * 0x1p-20);
        Compare(std::trunc(small * f / 0.125) * 0.125);
        checked += 4;
    }
    // 2. Arbitrary bit patterns (every exponent), and values near ties and carries.
    for (long i = 0; i < millions * 1000000 / 2; ++i) {
        std::uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        Compare(value);
        Compare(std::nextafter(std::round(value * 1e6) / 1e6, 0.0));
        checked += 2;
    }
    for (const double value : {12345678901234.5, 12345678901233.5, 99999999999999.5, 9.99999999999995,
                               9.999999999999949, 0.0001, 0.00009999999999999995, 1e14, 1e-5, 123456.0,
                               -0.0, 0.0, 1.52e-5, 1e300, -3.25, 5e-324, 100.0, 0.1, 1.0 / 3.0}) {
        Compare(value);
        ++checked;
    }
    std::printf("checked %ld values, %ld mismatches\n", checked, failures);

    // Speed on deckgen-like values.
    std::vector<double> values(4000000);
    for (auto& value : values) value = static_cast<std::int32_t>(random() % 60000000) * f + 44.0;
    char buffer[64];
    std::size_t sink = 0;
    for (int round = 0; round < 2; ++round) {
        auto start = std::chrono::steady_clock::now();
        for (const double value : values) sink += std::size_t(SlowG14(buffer, buffer + 64, value) - buffer);
        const std::chrono::duration<double> slow = std::chrono::steady_clock::now() - start;
        start = std::chrono::steady_clock::now();
        for (const double value : values) sink += std::size_t(FastG14(buffer, buffer + 64, value) - buffer);
        const std::chrono::duration<double> fast = std::chrono::steady_clock::now() - start;
        std::printf("to_chars(general, 14): %.1f ns/value, exact 128-bit: %.1f ns/value (%zu)\n",
                    1e9 * slow.count() / double(values.size()), 1e9 * fast.count() / double(values.size()),
                    sink % 10);
    }
    return failures == 0 ? 0 : 1;
}
