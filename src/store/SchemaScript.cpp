#include "store/SchemaScript.h"

#include "store/Database.h"

#include <sqlite3.h>

// The statements that create an empty Kassol database. The runner cuts them apart by the layout:
// a statement ends with ";" as the last character of a line, "--" opens a comment line, and the
// last statement has neither ";" nor line break.
static const char* const SchemaScriptText = R"KSSQL(CREATE TABLE [Release] (
    [Release] INTEGER CHECK ([Release] BETWEEN -2147483648 AND 2147483647),
    [ReleaseDatum] TEXT CHECK ([ReleaseDatum] IS date([ReleaseDatum], '+0 days')),
    [MSAVersion] TEXT CHECK (length([MSAVersion]) <= 50)
) STRICT;

CREATE TABLE [T_BKreis] (
    [mandant] INTEGER CHECK ([mandant] BETWEEN -2147483648 AND 2147483647),
    [id] INTEGER CHECK ([id] BETWEEN -2147483648 AND 2147483647),
    [BKName] TEXT CHECK (length([BKName]) <= 50),
    [BKKurz] TEXT CHECK (length([BKKurz]) <= 2),
    CONSTRAINT [PK_T_BKreis] PRIMARY KEY ([mandant], [id])
) STRICT;

CREATE TABLE [T_Buchungen] (
    [mandant] INTEGER CHECK ([mandant] BETWEEN -2147483648 AND 2147483647),
    [ID] INTEGER CHECK ([ID] BETWEEN -2147483648 AND 2147483647),
    [Wirtschaftsjahr] INTEGER CHECK ([Wirtschaftsjahr] BETWEEN -2147483648 AND 2147483647),
    [Buchungsdatum] TEXT CHECK ([Buchungsdatum] IS date([Buchungsdatum], '+0 days')),
    [Belegnummer] INTEGER CHECK ([Belegnummer] BETWEEN -2147483648 AND 2147483647),
    [Steuersatz] INTEGER CHECK ([Steuersatz] BETWEEN -32768 AND 32767),
    [Betrag] INTEGER,
    [Text] TEXT CHECK (length([Text]) <= 100),
    [BK] INTEGER CHECK ([BK] BETWEEN -2147483648 AND 2147483647),
    [IstEU] INTEGER CHECK ([IstEU] BETWEEN -32768 AND 32767),
    [IstDrittland] INTEGER CHECK ([IstDrittland] BETWEEN -32768 AND 32767),
    [IstEinnahme] INTEGER CHECK ([IstEinnahme] BETWEEN -32768 AND 32767),
    [IstKFZ] INTEGER CHECK ([IstKFZ] BETWEEN -2147483648 AND 2147483647),
    [IstGebaeude] INTEGER CHECK ([IstGebaeude] BETWEEN -2147483648 AND 2147483647),
    CONSTRAINT [PK_T_Buchungen] PRIMARY KEY ([mandant], [ID]),
    CONSTRAINT [FK_Buchungen_BKreis] FOREIGN KEY ([mandant], [BK]) REFERENCES [T_BKreis] ([mandant], [id])
) STRICT;

CREATE TABLE [T_Einstellungen] (
    [mandant] INTEGER CHECK ([mandant] BETWEEN -2147483648 AND 2147483647),
    [ZeitraumNummer] INTEGER CHECK ([ZeitraumNummer] BETWEEN -2147483648 AND 2147483647)
) STRICT;

CREATE TABLE [t_kontenbewegungen] (
    [mandant] INTEGER CHECK ([mandant] BETWEEN -2147483648 AND 2147483647),
    [id] INTEGER CHECK ([id] BETWEEN -2147483648 AND 2147483647),
    [Buchungen_id] INTEGER CHECK ([Buchungen_id] BETWEEN -2147483648 AND 2147483647),
    [Konten_Nr] INTEGER CHECK ([Konten_Nr] BETWEEN -2147483648 AND 2147483647),
    [St_Betrag] INTEGER,
    CONSTRAINT [PK_t_kontenbewegungen] PRIMARY KEY ([mandant], [id]),
    CONSTRAINT [FK_Kontenbewegungen_Buchungen] FOREIGN KEY ([mandant], [Buchungen_id]) REFERENCES [T_Buchungen] ([mandant], [ID])
) STRICT;

CREATE TABLE [T_Kontenplan] (
    [id] INTEGER CHECK ([id] BETWEEN -2147483648 AND 2147483647),
    [Kontonummer] INTEGER CHECK ([Kontonummer] BETWEEN -2147483648 AND 2147483647),
    [Kontoname] TEXT CHECK (length([Kontoname]) <= 50),
    [Steuersatz] INTEGER CHECK ([Steuersatz] BETWEEN -2147483648 AND 2147483647),
    [Kontoart] INTEGER CHECK ([Kontoart] BETWEEN 0 AND 255),
    CONSTRAINT [PK_T_Kontenplan] PRIMARY KEY ([Kontonummer])
) STRICT;

CREATE TABLE [T_Mandant] (
    [id] INTEGER CHECK ([id] BETWEEN -2147483648 AND 2147483647),
    [aktiv] INTEGER CHECK ([aktiv] BETWEEN -2147483648 AND 2147483647),
    [Bezeichnung] TEXT CHECK (length([Bezeichnung]) <= 255),
    CONSTRAINT [PK_T_Mandant] PRIMARY KEY ([id])
) STRICT;

CREATE TABLE [T_Stammdaten] (
    [mandant] INTEGER CHECK ([mandant] BETWEEN -2147483648 AND 2147483647),
    [GanzerName] TEXT CHECK (length([GanzerName]) <= 50),
    [Adresse] TEXT CHECK (length([Adresse]) <= 50),
    [PlzOrt] TEXT CHECK (length([PlzOrt]) <= 50),
    [Telefon] TEXT CHECK (length([Telefon]) <= 50),
    [Steuernummer] TEXT CHECK (length([Steuernummer]) <= 50),
    [Referat] TEXT CHECK (length([Referat]) <= 20),
    [AktuellerZeitraum] INTEGER CHECK ([AktuellerZeitraum] BETWEEN -2147483648 AND 2147483647),
    [Bemerkung] TEXT,
    [SteuerDE] INTEGER CHECK ([SteuerDE] IN (0, 1)),
    CONSTRAINT [PK_T_Stammdaten] PRIMARY KEY ([mandant]),
    CONSTRAINT [FK_Stammdaten_Mandant] FOREIGN KEY ([mandant]) REFERENCES [T_Mandant] ([id])
) STRICT;

CREATE TABLE [T_Zeitraum] (
    [mandant] INTEGER CHECK ([mandant] BETWEEN -2147483648 AND 2147483647),
    [id] INTEGER CHECK ([id] BETWEEN -2147483648 AND 2147483647),
    [Jahr] INTEGER CHECK ([Jahr] BETWEEN -2147483648 AND 2147483647),
    [Abgeschlossen] INTEGER CHECK ([Abgeschlossen] BETWEEN -32768 AND 32767),
    CONSTRAINT [PK_T_Zeitraum] PRIMARY KEY ([mandant], [id])
) STRICT;

-- Indexe
CREATE INDEX [Belegnummer] ON [T_Buchungen] ([Belegnummer]);
CREATE INDEX [BK] ON [T_Buchungen] ([BK]);
CREATE INDEX [Buchungsnummer] ON [T_Buchungen] ([Buchungsdatum]);
CREATE INDEX [IstEinnahme] ON [T_Buchungen] ([IstEinnahme]);
CREATE INDEX [IstEU] ON [T_Buchungen] ([IstEU]);
CREATE INDEX [IstGebaeude] ON [T_Buchungen] ([IstGebaeude]);
CREATE INDEX [IstKFZ] ON [T_Buchungen] ([IstKFZ]);
CREATE INDEX [T_MandantT_Buchungen] ON [T_Buchungen] ([mandant]);
CREATE INDEX [Wirtschaftsjahr] ON [T_Buchungen] ([Wirtschaftsjahr]);
CREATE INDEX [Mandant] ON [T_Einstellungen] ([mandant]);
CREATE INDEX [ZeitraumNummer] ON [T_Einstellungen] ([ZeitraumNummer]);
CREATE INDEX [Buchungen_id] ON [t_kontenbewegungen] ([Buchungen_id]);
CREATE INDEX [Konten_Nr] ON [t_kontenbewegungen] ([Konten_Nr]);
CREATE INDEX [t_kb_mandant_buchungen] ON [t_kontenbewegungen] ([mandant], [Buchungen_id]);
CREATE INDEX [id] ON [T_Kontenplan] ([id]);
CREATE UNIQUE INDEX [Kontonummer] ON [T_Kontenplan] ([Kontonummer]);
CREATE INDEX [aktiv] ON [T_Mandant] ([aktiv]);
CREATE UNIQUE INDEX [T_MandantT_Stammdaten] ON [T_Stammdaten] ([mandant]);
)KSSQL";

// Indexes beyond the documented ones, for the statements a large fiscal year makes slow. They
// change no result; the script creates them for a new file and zusatzIndexeAnlegen() for an
// older one.
static const char* const ZusatzIndexeText[] = {
    // max(Belegnummer) of a year is one seek; the totals read the year from this index alone.
    "CREATE INDEX IF NOT EXISTS [Buchungen_Jahr] ON [T_Buchungen] ([mandant], [Wirtschaftsjahr], [Belegnummer], "
    "[IstEinnahme], [IstDrittland], [Betrag], [ID]);",
    // The lists' order, so that their first page is read without sorting the year.
    "CREATE INDEX IF NOT EXISTS [Buchungen_Liste] ON [T_Buchungen] ([mandant], [Wirtschaftsjahr], [IstEinnahme], "
    "[Buchungsdatum] DESC, [ID]);",
    // The tax amounts of a client's bookings in the order of their booking, read without the table.
    "CREATE INDEX IF NOT EXISTS [Bewegungen_Buchung] ON [t_kontenbewegungen] ([mandant], [Buchungen_id], [St_Betrag]);",
};

static const char* const SchemaScriptRest = R"KSSQL(
-- Foreign Keys
-- SQLite nimmt Fremdschluessel nur beim Anlegen einer Tabelle an: FK_Buchungen_BKreis,
-- FK_Kontenbewegungen_Buchungen und FK_Stammdaten_Mandant stehen deshalb in ihren CREATE TABLE.

-- Jetzt noch die Konten für den Kontenplan...
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (1, 1000, 'UST 0%', 0, 4);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (2, 1010, 'UST 10%', 10, 4);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (3, 1012, 'UST 12%', 12, 4);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (4, 1020, 'UST 20%', 20, 4);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (5, 1021, 'UST innergem. 20%', 20, 4);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (6, 2000, 'VST 0%', 0, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (7, 2010, 'VST 10%', 10, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (8, 2012, 'VST 12%', 12, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (9, 2020, 'VST 20%', 20, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (10, 2021, 'VST innergem. 20%', 20, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (11, 2023, 'VST KFZ', 20, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (12, 2024, 'VST Gebäude', 20, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (13, 3000, 'Einfuhrumsatzsteuer', 20, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (14, 2007, 'VST 7%', 7, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (15, 2019, 'VST 19%', 19, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (16, 1007, 'UST 7%', 7, 4);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (17, 1019, 'UST 19%', 19, 4);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (18, 1013, 'UST 13%', 13, 4);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (19, 2013, 'VST 13%', 13, 3);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (20, 1005, 'UST 5%', 5, 4);
INSERT INTO T_Kontenplan (id, Kontonummer, Kontoname, Steuersatz, Kontoart) VALUES (21, 2005, 'VST 5%', 5, 3);

-- Release Version schreiben
Insert Into Release (Release, ReleaseDatum, MSAVersion) VALUES (202603, '2026-03-13', '2000'))KSSQL";

QStringList ZusatzIndexe() {
    QStringList statements;
    for (const char* sql : ZusatzIndexeText)
        statements << QString::fromUtf8(sql);
    return statements;
}

QString SchemaScript() {
    static const QString text = [] {
        QString t = QString::fromUtf8(SchemaScriptText);
        t += QStringLiteral("-- Zusätzliche Indexe\n");
        for (const QString& sql : ZusatzIndexe())
            t += sql + QLatin1Char('\n');
        t += QString::fromUtf8(SchemaScriptRest);
        return t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    }();
    return text;
}

void zusatzIndexeAnlegen(Database& db) {
    const QString context = QStringLiteral("Indexe der Datenbank ergänzen");
    const QStringList namen{QStringLiteral("Buchungen_Jahr"), QStringLiteral("Buchungen_Liste"), QStringLiteral("Bewegungen_Buchung")};
    const auto vorhanden = db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN ('%1')")
                                         .arg(namen.join(QStringLiteral("', '"))),
                                     {}, context);
    if (vorhanden && vorhanden->toInt() == namen.size())
        return;
    // A file without the bookings tables is not a Kassol database; whoever checks its tables says so.
    const auto tabellen = db.scalar(
        QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('T_Buchungen', 't_kontenbewegungen')"), {},
        context);
    if (!tabellen || tabellen->toInt() != 2 || sqlite3_db_readonly(db.handle(), "main") == 1)
        return;
    auto tx = db.transaction();
    for (const QString& sql : ZusatzIndexe())
        db.exec(sql, {}, context);
    tx.commit();
}
