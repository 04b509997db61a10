#include "app/Codepage.h"

#include <QHash>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

// The code page's own converter is asked once for what each of its 256 bytes means; encoding is
// then a look-up in the reverse table.
QHash<char32_t, char> buildTable() {
    QHash<char32_t, char> table;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        char32_t unicode = 0;
        bool ok = false;
#ifdef Q_OS_WIN
        wchar_t wide[2] = {};
        ok = MultiByteToWideChar(1252, MB_ERR_INVALID_CHARS, &byte, 1, wide, 2) == 1;
        unicode = wide[0];
#else
        iconv_t cd = iconv_open("UTF-32LE", "CP1252");
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            char in[1] = {byte};
            unsigned char out[8] = {};
            char* inPtr = in;
            char* outPtr = reinterpret_cast<char*>(out);
            size_t inLeft = 1, outLeft = sizeof(out);
            ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && outLeft == 4;
            unicode = static_cast<char32_t>(out[0]) | static_cast<char32_t>(out[1]) << 8 | static_cast<char32_t>(out[2]) << 16 |
                      static_cast<char32_t>(out[3]) << 24;
            iconv_close(cd);
        }
#endif
        if (!ok && b < 128) {
            ok = true;
            unicode = static_cast<char32_t>(b);
        }
        if (ok)
            table.insert(unicode, byte);
    }
    return table;
}

} // namespace

namespace Codepage {

QByteArray toWindows1252(const QString& text, int* ersetzt) {
    // Every UTF-16 unit mapped to its byte, '?' where the code page has none; characters beyond
    // the basic plane arrive as two surrogates and become one '?'.
    static const std::vector<char> table = [] {
        std::vector<char> t(0x10000, '?');
        const QHash<char32_t, char> reverse = buildTable();
        for (auto it = reverse.cbegin(); it != reverse.cend(); ++it)
            if (it.key() < 0x10000)
                t[it.key()] = it.value();
        return t;
    }();
    QByteArray out(text.size(), Qt::Uninitialized);
    char* o = out.data();
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* end = p + text.size();
    int anzahl = 0;
    for (; p != end; ++p) {
        const char16_t c = *p;
        const bool paar = QChar::isHighSurrogate(c) && p + 1 != end && QChar::isLowSurrogate(p[1]);
        if (paar)
            ++p;
        const char b = c < 0x80 ? static_cast<char>(c) : paar ? '?' : table[c];
        if (b == '?' && c != u'?')
            ++anzahl;
        *o++ = b;
    }
    if (ersetzt)
        *ersetzt = anzahl;
    out.truncate(o - out.data());
    return out;
}

QString fromWindows1252(const QByteArray& bytes) {
    static const std::vector<char16_t> table = [] {
        std::vector<char16_t> t(256);
        for (int b = 0; b < 256; ++b)
            t[b] = static_cast<char16_t>(b);
        const QHash<char32_t, char> reverse = buildTable();
        for (auto it = reverse.cbegin(); it != reverse.cend(); ++it)
            t[static_cast<unsigned char>(it.value())] = static_cast<char16_t>(it.key());
        return t;
    }();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* o = out.data();
    for (const char b : bytes)
        *o++ = QChar(table[static_cast<unsigned char>(b)]);
    return out;
}

} // namespace Codepage
