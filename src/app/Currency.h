#pragma once

#include <QString>
#include <QStringList>
#include <compare>
#include <cstdint>
#include <optional>

// An amount of money in ten-thousandths of a euro: exact sums, as the database stores them.
class Currency {
public:
    static constexpr std::int64_t Scale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromUnits(std::int64_t tenThousandths) { return Currency(tenThousandths); }
    static constexpr Currency fromCents(std::int64_t cents) { return Currency(cents * 100); }
    // Rounds to four decimals, an exact half to the even neighbour.
    static Currency fromDouble(double value);
    // Accepts "1234,5", "1.234,50", "1234.5", "-3", at most four decimals; nullopt otherwise.
    static std::optional<Currency> parse(const QString& text);

    constexpr std::int64_t units() const { return m_units; }
    double toDouble() const { return static_cast<double>(m_units) / Scale; }
    // Plain decimal text with a point and at least two decimals ("120.00", "0.625").
    QString toPlainString() const;

    // Sums are exact or fail: a result beyond the 64-bit range raises KassolError.
    constexpr Currency operator+(Currency o) const {
        std::int64_t r = 0;
        if (__builtin_add_overflow(m_units, o.m_units, &r))
            ueberlauf();
        return Currency(r);
    }
    constexpr Currency operator-(Currency o) const {
        std::int64_t r = 0;
        if (__builtin_sub_overflow(m_units, o.m_units, &r))
            ueberlauf();
        return Currency(r);
    }
    constexpr Currency operator-() const { return Currency() - *this; }
    Currency& operator+=(Currency o) { return *this = *this + o; }
    Currency& operator-=(Currency o) { return *this = *this - o; }
    constexpr auto operator<=>(const Currency&) const = default;

    // Raises the German message for a sum too large to hold.
    [[noreturn]] static void ueberlauf();

private:
    constexpr explicit Currency(std::int64_t units) : m_units(units) {}
    std::int64_t m_units = 0;
};
