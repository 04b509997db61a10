#pragma once

#include <QString>

#include <cstddef>
#include <memory>
#include <new>

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

namespace Platform {
// While it lives, the changed pages of an open file are handed to the disk every few tenths of a
// second, so that a long write does not leave all of them for the one sync that ends it. It only
// starts the writing early: what is durable, and when, is still decided by that sync alone. The
// descriptor must stay open while it lives; it is never closed here, as closing any descriptor of
// a file would drop the locks the process holds on it. A negative one does nothing.
class EarlyWriteback {
public:
    explicit EarlyWriteback(int descriptor);
    ~EarlyWriteback();
    EarlyWriteback(const EarlyWriteback&) = delete;
    EarlyWriteback& operator=(const EarlyWriteback&) = delete;

private:
    struct Worker;
    std::unique_ptr<Worker> m_worker;
};
} // namespace Platform

namespace Platform {
// Memory for buffers of many MiB that are filled once, such as a million rows being read: it is
// taken in large pages where the system offers them, so that filling it costs a few page faults
// instead of one for every 4 KiB (each of which is dear on a virtual machine). Small requests
// come from the ordinary heap. Raises std::bad_alloc when there is no memory.
void* takeLargeMemory(std::size_t bytes);
void releaseLargeMemory(void* memory, std::size_t bytes);

// An allocator over takeLargeMemory for std::vector.
template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T*>(takeLargeMemory(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { releaseLargeMemory(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};
} // namespace Platform
