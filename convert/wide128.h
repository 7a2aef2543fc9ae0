// An unsigned 128-bit integer for the exact steps of the extended arithmetic: the compiler's
// own type where it has one (64-bit targets), two 64-bit halves elsewhere (i386, armhf, 32-bit
// MinGW). Both give the same results; the arithmetic is written once against Wide128.
#pragma once

#include <bit>
#include <compare>
#include <cstdint>

namespace wide {

// Two 64-bit halves; the product of two 64-bit numbers is formed from 32-bit parts.
class Portable128 {
public:
    constexpr Portable128() = default;
    constexpr Portable128(std::uint64_t low) : high_(0), low_(low) {}
    static constexpr Portable128 FromHalves(std::uint64_t high, std::uint64_t low) {
        Portable128 x;
        x.high_ = high;
        x.low_ = low;
        return x;
    }
    constexpr std::uint64_t High() const { return high_; }
    constexpr std::uint64_t Low() const { return low_; }
    explicit constexpr operator std::uint64_t() const { return low_; }
    explicit constexpr operator bool() const { return (high_ | low_) != 0; }

    friend constexpr Portable128 operator+(Portable128 a, Portable128 b) {
        const std::uint64_t low = a.low_ + b.low_;
        return FromHalves(a.high_ + b.high_ + (low < a.low_ ? 1 : 0), low);
    }
    friend constexpr Portable128 operator-(Portable128 a, Portable128 b) {
        return FromHalves(a.high_ - b.high_ - (a.low_ < b.low_ ? 1 : 0), a.low_ - b.low_);
    }
    friend constexpr Portable128 operator&(Portable128 a, Portable128 b) {
        return FromHalves(a.high_ & b.high_, a.low_ & b.low_);
    }
    friend constexpr Portable128 operator|(Portable128 a, Portable128 b) {
        return FromHalves(a.high_ | b.high_, a.low_ | b.low_);
    }
    // Shifts by 0..127.
    friend constexpr Portable128 operator<<(Portable128 a, int n) {
        if (n == 0) return a;
        if (n >= 64) return FromHalves(a.low_ << (n - 64), 0);
        return FromHalves(a.high_ << n | a.low_ >> (64 - n), a.low_ << n);
    }
    friend constexpr Portable128 operator>>(Portable128 a, int n) {
        if (n == 0) return a;
        if (n >= 64) return FromHalves(0, a.high_ >> (n - 64));
        return FromHalves(a.high_ >> n, a.low_ >> n | a.high_ << (64 - n));
    }
    friend constexpr bool operator==(Portable128, Portable128) = default;
    friend constexpr std::strong_ordering operator<=>(Portable128 a, Portable128 b) {
        if (a.high_ != b.high_) return a.high_ <=> b.high_;
        return a.low_ <=> b.low_;
    }

    // The full product of two 64-bit numbers.
    static constexpr Portable128 Product(std::uint64_t a, std::uint64_t b) {
        const std::uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32;
        const std::uint64_t b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
        const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
        // The middle column cannot overflow: each term is below 2^32.
        const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
        return FromHalves(p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32),
                          (middle << 32) | (p00 & 0xFFFFFFFFu));
    }
    // The product modulo 2^128 with a 64-bit factor.
    friend constexpr Portable128 operator*(Portable128 a, std::uint64_t b) {
        const Portable128 low = Product(a.low_, b);
        return FromHalves(low.high_ + a.high_ * b, low.low_);
    }

    // n / d and n % d for a quotient that fits 64 bits (n.High() < d), one bit at a time.
    static constexpr std::uint64_t Divide(Portable128 n, std::uint64_t d, std::uint64_t& rest) {
        std::uint64_t r = n.high_;
        std::uint64_t q = 0;
        for (int i = 63; i >= 0; --i) {
            const bool carry = (r >> 63) != 0; // r << 1 exceeds 64 bits: certainly >= d
            r = r << 1 | ((n.low_ >> i) & 1);
            q <<= 1;
            if (carry || r >= d) {
                r -= d;
                q |= 1;
            }
        }
        rest = r;
        return q;
    }

private:
    std::uint64_t high_ = 0;
    std::uint64_t low_ = 0;
};

#ifdef __SIZEOF_INT128__
// The compiler's 128-bit integer behind the same interface.
class Native128 {
public:
    __extension__ typedef unsigned __int128 Value;

    constexpr Native128() = default;
    constexpr Native128(std::uint64_t low) : v_(low) {}
    static constexpr Native128 FromHalves(std::uint64_t high, std::uint64_t low) {
        return Native128(Value{high} << 64 | low, 0);
    }
    constexpr std::uint64_t High() const { return static_cast<std::uint64_t>(v_ >> 64); }
    constexpr std::uint64_t Low() const { return static_cast<std::uint64_t>(v_); }
    explicit constexpr operator std::uint64_t() const { return Low(); }
    explicit constexpr operator bool() const { return v_ != 0; }

    friend constexpr Native128 operator+(Native128 a, Native128 b) { return {a.v_ + b.v_, 0}; }
    friend constexpr Native128 operator-(Native128 a, Native128 b) { return {a.v_ - b.v_, 0}; }
    friend constexpr Native128 operator&(Native128 a, Native128 b) { return {a.v_ & b.v_, 0}; }
    friend constexpr Native128 operator|(Native128 a, Native128 b) { return {a.v_ | b.v_, 0}; }
    friend constexpr Native128 operator<<(Native128 a, int n) { return {a.v_ << n, 0}; }
    friend constexpr Native128 operator>>(Native128 a, int n) { return {a.v_ >> n, 0}; }
    friend constexpr bool operator==(Native128, Native128) = default;
    friend constexpr std::strong_ordering operator<=>(Native128 a, Native128 b) {
        return a.v_ <=> b.v_;
    }
    static constexpr Native128 Product(std::uint64_t a, std::uint64_t b) {
        return {Value{a} * b, 0};
    }
    friend constexpr Native128 operator*(Native128 a, std::uint64_t b) { return {a.v_ * b, 0}; }
    static constexpr std::uint64_t Divide(Native128 n, std::uint64_t d, std::uint64_t& rest) {
        rest = static_cast<std::uint64_t>(n.v_ % d);
        return static_cast<std::uint64_t>(n.v_ / d);
    }

private:
    constexpr Native128(Value v, int) : v_(v) {}
    Value v_ = 0;
};
#endif

template <typename W> constexpr int LeadingZeros(W x) {
    return x.High() != 0 ? std::countl_zero(x.High()) : 64 + std::countl_zero(x.Low());
}

} // namespace wide

#if defined(__SIZEOF_INT128__) && !defined(RUNAMIKA_PORTABLE_WIDE)
using Wide128 = wide::Native128;
#else
using Wide128 = wide::Portable128;
#endif
