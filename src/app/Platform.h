#pragma once

#include <QString>

// Calls into the operating system that the rest of the program must not make itself.
namespace Platform {

enum class ShowMode { Normal, Hidden, Minimized, Maximized };

// Starts the program with the command line '"path" parameters' in the program's folder and
// waits, without a time limit, until it has ended. False when it could not be started.
bool runAndWait(const QString& programPath, const QString& parameters, ShowMode mode);
// Moves a file to another name in the same folder; false on failure.
bool moveFile(const QString& from, const QString& to);
// Creates the folder with all missing parents; false on failure.
bool createFolder(const QString& path);

} // namespace Platform

namespace Platform {
// Forces the file's content to the disk; false on failure.
bool syncFile(const QString& path);
// Moves a file over another in one step (the target is replaced, never missing in between);
// both must lie on the same drive. Returns an empty text or the system's reason for failing.
QString replaceFile(const QString& from, const QString& to);

// Keeps memory freed by large, short-lived buffers in the process for the next one instead of
// handing it back to the system each time, which costs a page fault for every page of it when
// it is taken again. Once set, it holds for the whole process.
void keepFreedMemory();
} // namespace Platform
