#include "cli/CliCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

void CliContext::printJson(const QJsonValue& value) {
    const QJsonDocument doc = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    out << QString::fromUtf8(doc.toJson(QJsonDocument::Indented));
}

namespace {
std::vector<CliCommand>& registry() {
    static std::vector<CliCommand> commands;
    return commands;
}
} // namespace

void CliRegistry::add(CliCommand command) { registry().push_back(std::move(command)); }

const std::vector<CliCommand>& CliRegistry::all() { return registry(); }

const CliCommand* CliRegistry::find(const QString& name) {
    for (const CliCommand& c : registry())
        if (c.name == name)
            return &c;
    return nullptr;
}

CliArgs::CliArgs(const QStringList& args, const QStringList& valueOptions, const QStringList& flagOptions) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QStringLiteral("--")) && a.size() > 2) {
            QString name = a, inlineValue;
            bool hasInline = false;
            if (const int eq = a.indexOf(QLatin1Char('=')); eq > 0) {
                name = a.left(eq);
                inlineValue = a.mid(eq + 1);
                hasInline = true;
            }
            if (valueOptions.contains(name)) {
                if (!hasInline) {
                    if (i + 1 >= args.size())
                        throw CliUsageError(QStringLiteral("Zur Option %1 fehlt der Wert.").arg(name));
                    inlineValue = args[++i];
                }
                m_values.append({name, inlineValue});
            } else if (flagOptions.contains(name) && !hasInline) {
                m_flags << name;
            } else {
                throw CliUsageError(QStringLiteral("Unbekannte Option %1.").arg(a));
            }
        } else {
            m_positional << a;
        }
    }
}

std::optional<QString> CliArgs::value(const QString& option) const {
    std::optional<QString> found;
    for (const auto& [name, v] : m_values)
        if (name == option)
            found = v;
    return found;
}

QString CliArgs::word(int index, const QString& what) const {
    if (index >= m_positional.size())
        throw CliUsageError(QStringLiteral("Es fehlt: %1.").arg(what));
    return m_positional[index];
}

void CliArgs::expectAtMost(int count) const {
    if (m_positional.size() > count)
        throw CliUsageError(QStringLiteral("Unerwartetes Argument \u201E%1\u201C.").arg(m_positional[count]));
}

#include "app/Currency.h"

#include <QDate>
#include <QRegularExpression>

namespace CliValues {

QDate date(const QString& input, const QString& what) {
    const QString text = input.trimmed();
    QDate d = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    if (!d.isValid())
        d = QDate::fromString(text, QStringLiteral("d.M.yyyy"));
    if (!d.isValid())
        d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        throw KassolError(QStringLiteral("%1 \u201E%2\u201C ist kein gültiges Datum (TT.MM.JJJJ oder JJJJ-MM-TT).").arg(what, input));
    return d;
}

Currency amount(const QString& text, const QString& what) {
    const auto v = Currency::parse(text);
    if (!v)
        throw KassolError(QStringLiteral("%1 \u201E%2\u201C ist kein gültiger Betrag (Zahl mit höchstens vier Nachkommastellen, "
                                         "z. B. 120,50).")
                              .arg(what, text));
    return *v;
}

int integer(const QString& text, const QString& what) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        throw KassolError(QStringLiteral("%1 \u201E%2\u201C ist keine ganze Zahl.").arg(what, text));
    return v;
}

bool yesNo(const QString& input, const QString& what) {
    const QString t = input.trimmed().toLower();
    if (t == QStringLiteral("ja") || t == QStringLiteral("yes") || t == QStringLiteral("1") || t == QStringLiteral("true"))
        return true;
    if (t == QStringLiteral("nein") || t == QStringLiteral("no") || t == QStringLiteral("0") || t == QStringLiteral("false"))
        return false;
    throw KassolError(QStringLiteral("%1 \u201E%2\u201C: bitte ja oder nein angeben.").arg(what, input));
}

QString money(const Currency& value) { return value.toPlainString(); }

QString terminalText(const QString& message) {
    static const QRegularExpression breaks(QStringLiteral("[ \t]*[\r\n]+[ \t]*"));
    return QString(message).replace(breaks, QStringLiteral("\n")).trimmed();
}

} // namespace CliValues
