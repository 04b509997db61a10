#pragma once

#include <QString>
#include <optional>

// A program version as it is published: the year, a point and the release number of that year
// ("2026.04"). Versions compare by year, then by number, so "2026.10" is newer than "2026.9".
struct Programmversion {
    int jahr = 0;
    int nummer = 0;

    // The version of this program.
    static Programmversion laufende();
    // Reads "YYYY.N"; nothing for any other text.
    static std::optional<Programmversion> lies(const QString& text);

    QString text() const;
    auto operator<=>(const Programmversion&) const = default;
};
