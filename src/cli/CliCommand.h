#pragma once

#include "app/KassolError.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>
#include <vector>

class TDM_EinAus;
class THelperData;
class Clock;
class UserInteraction;

// What a command works with: the settled folder, the data module, and where to write.
struct CliContext {
    THelperData& helper;
    TDM_EinAus& dm;
    const Clock& clock;
    UserInteraction& ui;
    QTextStream& out;
    QTextStream& err;
    bool json = false;

    // Prints a JSON document (with --json) on stdout.
    void printJson(const QJsonValue& value);
};

// A wrong call of a command: its message is printed with the command's usage.
class CliUsageError : public KassolError {
public:
    using KassolError::KassolError;
};

struct CliCommand {
    QString name;    // "client", "book", ...
    QString usage;   // one line or several, for --help
    QString summary; // one line, for the command list
    std::function<int(CliContext&, const QStringList& args)> run;
    // init creates the database folder; every other command needs an existing database.
    bool createsDatabase = false;
    // Whether the data module opens the database before the command runs; a command that brings
    // back a backup must work while the database is missing or damaged.
    bool opensDatabase = true;
};

// Commands register themselves from their own source file.
class CliRegistry {
public:
    static void add(CliCommand command);
    static const std::vector<CliCommand>& all();
    static const CliCommand* find(const QString& name);
};

struct CliRegistration {
    explicit CliRegistration(CliCommand command) { CliRegistry::add(std::move(command)); }
};

// Options of one command: "--name VALUE", "--flag", and the positional words.
class CliArgs {
public:
    // Throws CliUsageError for an unknown option or a missing value.
    CliArgs(const QStringList& args, const QStringList& valueOptions, const QStringList& flagOptions);

    std::optional<QString> value(const QString& option) const;
    bool flag(const QString& option) const { return m_flags.contains(option); }
    bool has(const QString& option) const { return value(option).has_value() || flag(option); }
    const QStringList& positional() const { return m_positional; }
    // The positional word at index; throws CliUsageError naming what is missing.
    QString word(int index, const QString& what) const;
    // Throws CliUsageError when more positional words were given than expected.
    void expectAtMost(int count) const;

private:
    QList<std::pair<QString, QString>> m_values;
    QStringList m_flags;
    QStringList m_positional;
};

// Runs kassol-cli with the arguments after the program name; returns the exit status.
int runCli(const QStringList& args, QTextStream& out, QTextStream& err, const Clock& clock);

class Currency;
class QDate;

// Values as the command line takes them; each raises KassolError with a German message.
namespace CliValues {
// dd.mm.yyyy or yyyy-mm-dd; a date that does not exist (31.02.) is refused.
QDate date(const QString& text, const QString& what);
// A decimal comma or point; letters, nothing, too many decimals or too large a value are refused.
Currency amount(const QString& text, const QString& what);
int integer(const QString& text, const QString& what);
// "ja"/"nein" (also yes/no, 1/0, true/false).
bool yesNo(const QString& text, const QString& what);
// Money for JSON: a point and at least two decimals ("120.00", "0.62").
QString money(const Currency& value);
// A message-box text for the terminal: each run of its line breaks ("\r", "\n") becomes one.
QString terminalText(const QString& message);
} // namespace CliValues
