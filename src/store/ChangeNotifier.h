#pragma once

#include <QFlags>
#include <QObject>

// Says, once after each committed write, which parts of the books changed, so that every window
// refreshes from one place. A window listens for each area it shows: a list of bookings that
// names their circles refreshes on Buchungen and on Buchungskreise. A change of the active client
// or of the current fiscal year changes what the windows show, and is reported as a change of
// the areas that depend on it.
class Aenderungsmelder : public QObject {
    Q_OBJECT
public:
    enum class Bereich { Buchungen = 1, Mandanten = 2, Wirtschaftsjahre = 4, Buchungskreise = 8, Stammdaten = 16 };
    Q_DECLARE_FLAGS(Bereiche, Bereich)
    Q_FLAG(Bereiche)

    explicit Aenderungsmelder(QObject* parent = nullptr);

    // Called by the store once the outermost transaction has committed; nothing is reported
    // for an empty set.
    void melde(Bereiche bereiche);

Q_SIGNALS:
    void geaendert(Aenderungsmelder::Bereiche bereiche);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Aenderungsmelder::Bereiche)

// Every area; what a change of the active client changes.
inline constexpr Aenderungsmelder::Bereiche AlleBereiche =
    Aenderungsmelder::Bereich::Buchungen | Aenderungsmelder::Bereich::Mandanten | Aenderungsmelder::Bereich::Wirtschaftsjahre |
    Aenderungsmelder::Bereich::Buchungskreise | Aenderungsmelder::Bereich::Stammdaten;
