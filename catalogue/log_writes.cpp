#include "catalogue/log_writes.h"

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <new>
#include <string>

#include <sqlite3.h>

namespace vorn {

namespace {

constexpr const char* kName = "vorn-log-writes";
// A frame's header: page number, then the database's size in pages after a commit (0 otherwise).
constexpr int kFrameHeaderBytes = 24;
// A transaction larger than this (a long refresh) is written as it goes, not held whole.
constexpr std::size_t kMostHeldBytes = 1 << 20;
constexpr std::size_t kMostBytesAWrite = 1 << 16;

sqlite3_vfs* System(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }

// A write-ahead log: the system's file, and the frames gathered since the last write.
struct LogFile {
    sqlite3_file base;
    sqlite3_file* file;
    std::string* held;
    sqlite3_int64 heldAt;
    bool committing; // the header just held was a commit frame's: its page ends the commit
};

std::size_t LogFileBytes() { return (sizeof(LogFile) + 7) & ~std::size_t{7}; }

LogFile* Log(sqlite3_file* file) { return reinterpret_cast<LogFile*>(file); }

int WriteHeld(LogFile* log) {
    if (log->held->empty()) {
        return SQLITE_OK;
    }
    // The system's layer writes at most 128 KB - 1 bytes a call: more goes in pieces.
    int status = SQLITE_OK;
    for (std::size_t at = 0; at < log->held->size() && status == SQLITE_OK; at += kMostBytesAWrite) {
        const std::size_t bytes = std::min(kMostBytesAWrite, log->held->size() - at);
        status = log->file->pMethods->xWrite(log->file, log->held->data() + at, static_cast<int>(bytes),
                                             log->heldAt + static_cast<sqlite3_int64>(at));
    }
    log->held->clear();
    log->committing = false;
    return status;
}

int Close(sqlite3_file* file) {
    LogFile* log = Log(file);
    const int written = WriteHeld(log);
    const int closed = log->file->pMethods->xClose(log->file);
    delete log->held;
    log->held = nullptr;
    return written != SQLITE_OK ? written : closed;
}

int Read(sqlite3_file* file, void* data, int bytes, sqlite3_int64 offset) {
    LogFile* log = Log(file);
    const int written = WriteHeld(log);
    return written != SQLITE_OK ? written : log->file->pMethods->xRead(log->file, data, bytes, offset);
}

int Write(sqlite3_file* file, const void* data, int bytes, sqlite3_int64 offset) {
    LogFile* log = Log(file);
    const auto heldEnd = log->heldAt + static_cast<sqlite3_int64>(log->held->size());
    if (!log->held->empty() && offset != heldEnd) {
        if (const int written = WriteHeld(log); written != SQLITE_OK) {
            return written;
        }
    }
    if (log->held->empty()) {
        log->heldAt = offset;
    }
    const auto* bytesIn = static_cast<const unsigned char*>(data);
    const bool commitPage = log->committing && bytes != kFrameHeaderBytes;
    log->held->append(reinterpret_cast<const char*>(bytesIn), static_cast<std::size_t>(bytes));
    if (bytes == kFrameHeaderBytes) {
        log->committing = (bytesIn[4] | bytesIn[5] | bytesIn[6] | bytesIn[7]) != 0;
    }
    return commitPage || log->held->size() >= kMostHeldBytes ? WriteHeld(log) : SQLITE_OK;
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    LogFile* log = Log(file);
    const int written = WriteHeld(log);
    return written != SQLITE_OK ? written : log->file->pMethods->xTruncate(log->file, size);
}

int Sync(sqlite3_file* file, int flags) {
    LogFile* log = Log(file);
    const int written = WriteHeld(log);
    return written != SQLITE_OK ? written : log->file->pMethods->xSync(log->file, flags);
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    LogFile* log = Log(file);
    const int written = WriteHeld(log);
    return written != SQLITE_OK ? written : log->file->pMethods->xFileSize(log->file, size);
}

int Lock(sqlite3_file* file, int level) { return Log(file)->file->pMethods->xLock(Log(file)->file, level); }
int Unlock(sqlite3_file* file, int level) { return Log(file)->file->pMethods->xUnlock(Log(file)->file, level); }
int CheckReservedLock(sqlite3_file* file, int* reserved) {
    return Log(file)->file->pMethods->xCheckReservedLock(Log(file)->file, reserved);
}
int FileControl(sqlite3_file* file, int op, void* argument) {
    LogFile* log = Log(file);
    const int written = WriteHeld(log);
    return written != SQLITE_OK ? written : log->file->pMethods->xFileControl(log->file, op, argument);
}
int SectorSize(sqlite3_file* file) { return Log(file)->file->pMethods->xSectorSize(Log(file)->file); }
int DeviceCharacteristics(sqlite3_file* file) {
    return Log(file)->file->pMethods->xDeviceCharacteristics(Log(file)->file);
}

// Version 1: a log is never mapped into memory and has no shared memory of its own.
const sqlite3_io_methods kLogMethods = {
    1,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    sqlite3_vfs* system = System(vfs);
    if ((flags & SQLITE_OPEN_WAL) == 0) {
        return system->xOpen(system, name, file, flags, outFlags);
    }
    LogFile* log = Log(file);
    log->base.pMethods = nullptr;
    log->file = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + LogFileBytes());
    log->file->pMethods = nullptr;
    const int status = system->xOpen(system, name, log->file, flags, outFlags);
    if (status != SQLITE_OK) {
        if (log->file->pMethods != nullptr) {
            log->file->pMethods->xClose(log->file);
        }
        return status;
    }
    log->held = new (std::nothrow) std::string;
    if (log->held == nullptr) {
        log->file->pMethods->xClose(log->file);
        return SQLITE_NOMEM;
    }
    log->heldAt = 0;
    log->committing = false;
    log->base.pMethods = &kLogMethods;
    return SQLITE_OK;
}

int Delete(sqlite3_vfs* vfs, const char* name, int syncDirectory) {
    return System(vfs)->xDelete(System(vfs), name, syncDirectory);
}
int Access(sqlite3_vfs* vfs, const char* name, int flags, int* result) {
    return System(vfs)->xAccess(System(vfs), name, flags, result);
}
int FullPathname(sqlite3_vfs* vfs, const char* name, int bytes, char* out) {
    return System(vfs)->xFullPathname(System(vfs), name, bytes, out);
}
void* DlOpen(sqlite3_vfs* vfs, const char* name) { return System(vfs)->xDlOpen(System(vfs), name); }
void DlError(sqlite3_vfs* vfs, int bytes, char* message) { System(vfs)->xDlError(System(vfs), bytes, message); }
void (*DlSym(sqlite3_vfs* vfs, void* library, const char* symbol))(void) {
    return System(vfs)->xDlSym(System(vfs), library, symbol);
}
void DlClose(sqlite3_vfs* vfs, void* library) { System(vfs)->xDlClose(System(vfs), library); }
int Randomness(sqlite3_vfs* vfs, int bytes, char* out) { return System(vfs)->xRandomness(System(vfs), bytes, out); }
int Sleep(sqlite3_vfs* vfs, int microseconds) { return System(vfs)->xSleep(System(vfs), microseconds); }
int CurrentTime(sqlite3_vfs* vfs, double* now) { return System(vfs)->xCurrentTime(System(vfs), now); }
int GetLastError(sqlite3_vfs* vfs, int bytes, char* message) {
    return System(vfs)->xGetLastError(System(vfs), bytes, message);
}
int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now) { return System(vfs)->xCurrentTimeInt64(System(vfs), now); }

} // namespace

const char* LogWritesVfsName() {
    static std::once_flag registered;
    static sqlite3_vfs vfs{};
    std::call_once(registered, [] {
        sqlite3_vfs* system = sqlite3_vfs_find(nullptr);
        vfs.iVersion = 2;
        vfs.szOsFile = static_cast<int>(LogFileBytes()) + system->szOsFile;
        vfs.mxPathname = system->mxPathname;
        vfs.zName = kName;
        vfs.pAppData = system;
        vfs.xOpen = Open;
        vfs.xDelete = Delete;
        vfs.xAccess = Access;
        vfs.xFullPathname = FullPathname;
        vfs.xDlOpen = DlOpen;
        vfs.xDlError = DlError;
        vfs.xDlSym = DlSym;
        vfs.xDlClose = DlClose;
        vfs.xRandomness = Randomness;
        vfs.xSleep = Sleep;
        vfs.xCurrentTime = CurrentTime;
        vfs.xGetLastError = GetLastError;
        vfs.xCurrentTimeInt64 = CurrentTimeInt64;
        sqlite3_vfs_register(&vfs, 0);
    });
    return kName;
}

} // namespace vorn
