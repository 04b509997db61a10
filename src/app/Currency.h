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

    constexpr Currency operator+(Currency o) const { return Currency(m_units + o.m_units); }
    constexpr Currency operator-(Currency o) const { return Currency(m_units - o.m_units); }
    constexpr Currency operator-() const { return Currency(-m_units); }
    Currency& operator+=(Currency o) { m_units += o.m_units; return *this; }
    Currency& operator-=(Currency o) { m_units -= o.m_units; return *this; }
    constexpr auto operator<=>(const Currency&) const = default;

private:
    constexpr explicit Currency(std::int64_t units) : m_units(units) {}
    std::int64_t m_units = 0;
};
