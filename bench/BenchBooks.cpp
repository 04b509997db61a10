#include "BenchBooks.h"

#include "store/MdbSqlRunner.h"

#include <cstdio>

BenchBooks::BenchBooks(const BookSpec& spec) : helper(Folders{}, &Helper_MdbSqlRunner::CreateDatabaseIfMissing) {
    if (qEnvironmentVariableIsSet("KASSOL_BENCH_KEEP")) {
        dir.setAutoRemove(false);
        std::fprintf(stderr, "Datenbank: %s\n", qPrintable(dir.filePath(QStringLiteral("KS_tab.mdb"))));
    }
    info = generateBooks(dir.filePath(QStringLiteral("KS_tab.mdb")), spec);
    helper.UseDataFolder(dir.path());
    dm = std::make_unique<TDM_EinAus>(helper, clock);
    dm->DataModuleCreate();
}
