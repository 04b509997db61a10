#pragma once

#include <QString>

// The folders the program reads and writes; tests point them into a temporary folder.
struct Folders {
    QString programFolder;      // the folder of the program file
    QString programDataFolder;  // machine-wide application data; empty when unknown
    QString desktopFolder;
    QString tempFolder;

    // The folders of this machine and this program file.
    static Folders ofPlatform();
};
