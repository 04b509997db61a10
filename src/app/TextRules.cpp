#include "app/TextRules.h"

#include "app/KassolError.h"

namespace {

bool istSteuerzeichen(char32_t c) {
    // C0 and C1 controls, DEL, and the Unicode line and paragraph separators.
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

} // namespace

namespace Textregeln {

qsizetype zeichen(const QString& text) {
    return static_cast<qsizetype>(text.toStdU32String().size());
}

bool hatSteuerzeichen(const QString& text) {
    for (const char32_t c : text.toStdU32String())
        if (istSteuerzeichen(c))
            return true;
    return false;
}

void pruefe(const QString& feld, const QString& text, qsizetype maxZeichen) {
    if (hatSteuerzeichen(text))
        throw KassolError(QStringLiteral("Das Feld \u201E%1\u201C enthält ein Steuerzeichen (etwa einen Tabulator oder "
                                         "Zeilenumbruch). Bitte geben Sie den Text in einer Zeile und ohne solche Zeichen ein.")
                              .arg(feld));
    const qsizetype n = zeichen(text);
    if (n > maxZeichen)
        throw KassolError(QStringLiteral("Das Feld \u201E%1\u201C darf höchstens %2 Zeichen lang sein (eingegeben: %3).")
                              .arg(feld)
                              .arg(maxZeichen)
                              .arg(n));
}

QString ohneSteuerzeichen(const QString& text) {
    std::u32string s = text.toStdU32String();
    for (char32_t& c : s)
        if (istSteuerzeichen(c))
            c = U' ';
    return QString::fromStdU32String(s);
}

} // namespace Textregeln
