#pragma once

#include "BookGenerator.h"

#include "app/Clock.h"
#include "app/THelperData.h"
#include "store/DM_KS.h"

#include <QTemporaryDir>
#include <memory>

// Generated books in a data folder of their own, with the data module open on them.
// KASSOL_BENCH_KEEP=1 keeps the folder for a look with the sqlite3 shell.
struct BenchBooks {
    explicit BenchBooks(const BookSpec& spec = {});
    QString file() const { return helper.DatabaseFile(); }

    QTemporaryDir dir;
    GeneratedBooks info;
    SystemClock clock;
    THelperData helper;
    std::unique_ptr<TDM_EinAus> dm;
};
