#include "app/UpdateLog.h"

#include "app/Clock.h"
#include "app/KassolError.h"
#include "app/SafeFileWriter.h"

#include <QFile>
#include <QMutex>

namespace {
// The check writes from a worker thread while the window may write too.
QMutex logSperre;
// The log keeps its newest part; older lines go once it grows beyond this.
constexpr qint64 Hoechstgroesse = 256 * 1024;
} // namespace

UpdateLog::UpdateLog(QString datei, const Clock& clock) : m_datei(std::move(datei)), m_clock(clock) {}

void UpdateLog::schreibe(const QString& zeile) const {
    if (m_datei.isEmpty())
        return;
    QMutexLocker lock(&logSperre);
    QByteArray inhalt;
    QFile alt(m_datei);
    if (alt.open(QIODevice::ReadOnly))
        inhalt = alt.readAll();
    alt.close();
    if (inhalt.size() > Hoechstgroesse) {
        inhalt = inhalt.right(Hoechstgroesse / 2);
        inhalt = inhalt.mid(inhalt.indexOf('\n') + 1);
    }
    QString text = zeile;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    inhalt += m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8() + ' ' + text.toUtf8() + '\n';
    try {
        SafeFileWriter::writeAll(m_datei, inhalt, QStringLiteral("Das Update-Protokoll"));
    } catch (const KassolError&) {
    }
}
