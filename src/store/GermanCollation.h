#pragma once

#include <QString>

struct sqlite3;

// Names are compared, grouped and sorted without regard to case and in German order ("Ärzte,
// Auto, bank, Büro, büro, Zoll"; "Muster" equals "muster"), as users of these books expect. The
// collation is registered on each connection and named in the statements, never in the schema,
// so that the file stays readable by any SQLite tool.
namespace DeutscheSortierung {

// The name statements use: "ORDER BY BKName COLLATE DE".
constexpr const char* Name = "DE";

// Registers the collation on the connection; raises DbError when SQLite refuses it.
void registriere(sqlite3* db);
// The comparison the collation makes: negative, zero or positive.
int vergleiche(const QString& a, const QString& b);

} // namespace DeutscheSortierung
