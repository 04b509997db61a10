#pragma once

#include "app/Folders.h"
#include "app/IniFile.h"

#include <QString>
#include <functional>
#include <memory>

// Settles, once at start-up, the folder of the database and the path of Kassol.ini.
class THelperData {
public:
    static constexpr const char* DatabaseFileName = "KS_tab.mdb";
    static constexpr const char* NewDatabaseFileName = "KS_neu.mdb";
    static constexpr const char* IniFileName = "Kassol.ini";
    static constexpr const char* DataSubPath = "Norvik/Kassol/Data";

    // Creates the database file at the path when none is there (the schema runner's job).
    using DatabaseCreator = std::function<void(const QString& databaseFile)>;

    THelperData(Folders folders, DatabaseCreator createDatabaseIfMissing);

    // Chooses the program folder when it holds a database (or a delivered new one), otherwise
    // the program-data folder, which is created with an empty database on first use.
    // Throws KassolError when the folder cannot be created.
    void InitPathAndDB();
    // Uses the given folder as it is, creating it and its database when missing.
    void UseDataFolder(const QString& folder);
    // Uses the given folder without creating anything (for bringing back a backup).
    void PointAtDataFolder(const QString& folder);

    QString GetProgramDataPath() const { return m_folders.programDataFolder; }
    std::unique_ptr<IniFile> GetIniInstance() const { return std::make_unique<IniFile>(m_iniPath); }

    const QString& DBPath() const { return m_dbPath; }
    const QString& IniPath() const { return m_iniPath; }
    // The database file in DBPath, in whatever case it is spelt there.
    QString DatabaseFile() const;
    const Folders& folders() const { return m_folders; }

private:
    void createDataFolder(const QString& folder);

    Folders m_folders;
    DatabaseCreator m_createDatabaseIfMissing;
    QString m_dbPath;
    QString m_iniPath;
};
