#include "app/Codepage.h"

#include <QHash>

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

QByteArray toWindows1252(const QString& text) {
    static const QHash<char32_t, char> table = buildTable();
    QByteArray out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        const auto it = table.constFind(c);
        out.append(it == table.constEnd() ? '?' : *it);
    }
    return out;
}

} // namespace Codepage
