#pragma once

#include "migration/TabellenLeser.h"

// Reads a Jet 4 (Access 2000) file through mdbtools, opened read-only. Numbers, amounts and
// dates come from their stored bytes, never from text that mdbtools formats by the locale.
class JetReader : public TabellenLeser {
public:
    // Raises KassolError when the file cannot be opened as a Jet database.
    explicit JetReader(const QString& path);
    ~JetReader() override;
    JetReader(const JetReader&) = delete;
    JetReader& operator=(const JetReader&) = delete;

    QStringList tabellen() override;
    JetTabelle lies(const QString& tabelle) override;

private:
    QString m_path;
    // mdbtools' handle; its type is an unnamed struct that cannot be declared here.
    void* m_handle = nullptr;
};
