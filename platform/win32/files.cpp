// File handles: CreateFileA with share modes enforced among this process's
// handles, reads, writes, the file pointer, sizes, times; files by name.
#include "files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "code_pages.h"
#include "file_read_knobs.h"
#include "paths.h"
#include "win_kernel.h"

namespace platform {
namespace {

// Every open file handle, by file identity, for the share-mode checks.
struct ShareRegistry {
    std::mutex lock;
    std::vector<FileObject*> open;
};

ShareRegistry& registry() {
    static ShareRegistry* r = new ShareRegistry;  // used by handles closed at exit
    return *r;
}

bool conflicts(const FileObject& a, const FileObject& b) {
    bool aWrites = a.canWrite || a.truncates;
    bool bWrites = b.canWrite || b.truncates;
    return (a.canRead && !(b.share & FILE_SHARE_READ)) ||
           (aWrites && !(b.share & FILE_SHARE_WRITE)) ||
           (a.canDelete && !(b.share & FILE_SHARE_DELETE)) ||
           (b.canRead && !(a.share & FILE_SHARE_READ)) ||
           (bWrites && !(a.share & FILE_SHARE_WRITE)) ||
           (b.canDelete && !(a.share & FILE_SHARE_DELETE));
}

// Adds the file to the registry unless an open handle's share mode refuses it.
bool shareRegister(FileObject* file) {
    ShareRegistry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    for (FileObject* other : r.open)
        if (other->device == file->device && other->inode == file->inode &&
            conflicts(*file, *other))
            return false;
    r.open.push_back(file);
    file->registered = true;
    return true;
}

void shareUnregister(FileObject* file) {
    if (!file->registered) return;
    ShareRegistry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    r.open.erase(std::remove(r.open.begin(), r.open.end(), file), r.open.end());
    file->registered = false;
}

bool hasWriteBits(const struct stat& st) {
    return (st.st_mode & 0222) != 0;
}

}  // namespace

FileObject::~FileObject() {
    shareUnregister(this);
    if (deleteOnClose && !native.empty()) unlink(native.c_str());
    if (fd >= 0) close(fd);
}

std::shared_ptr<FileObject> FileFromHandle(HANDLE handle) {
    std::shared_ptr<FileObject> file = KernelHandleGetAs<FileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

bool FileShareBlocksDelete(dev_t device, ino_t inode) {
    ShareRegistry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    for (FileObject* other : r.open)
        if (other->device == device && other->inode == inode && !(other->share & FILE_SHARE_DELETE))
            return true;
    return false;
}

DWORD FileErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
        case ELOOP:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EFBIG:
        case EOVERFLOW:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_ACCESS_DENIED;
    }
}

FILETIME FileTimeFromUnix(const struct timespec& time) {
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
    int64_t ticks =
        (int64_t(time.tv_sec) + kSecondsFrom1601To1970) * 10000000LL + time.tv_nsec / 100;
    if (ticks < 0) ticks = 0;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(uint64_t(ticks) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(uint64_t(ticks) >> 32);
    return ft;
}

bool FileTimes(int fd, const char* path, FILETIME& created, FILETIME& accessed, FILETIME& written) {
    struct statx sx {};
    int flags = fd == AT_FDCWD ? 0 : AT_EMPTY_PATH;
    if (statx(fd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
    auto convert = [](const statx_timestamp& t) {
        struct timespec ts;
        ts.tv_sec = t.tv_sec;
        ts.tv_nsec = t.tv_nsec;
        return FileTimeFromUnix(ts);
    };
    created = convert((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime);
    accessed = convert(sx.stx_atime);
    written = convert(sx.stx_mtime);
    return true;
}

DWORD FileAttributesFromStat(const struct stat& st) {
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!hasWriteBits(st)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

}  // namespace platform

using platform::FileFromHandle;
using platform::FileObject;

namespace {

// Resolves a program path; `trailingSeparator` tells whether it ended in '\'
// or '/', which only a directory may.
bool resolveName(const char* name, platform::NativePath& path, bool& trailingSeparator) {
    platform::DrivePath view;
    if (!platform::PathToDriveView(name, view) || !platform::DriveViewResolve(view, path))
        return false;
    trailingSeparator = view.trailingSeparator;
    return true;
}

// Windows gives a process millions of handles; Linux starts it with a soft
// limit of usually 1024 descriptors, which a game's open files, archive
// members and path lookups pass. Every open may use up to the hard limit.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    RaiseDescriptorLimit();
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<FileObject>();
    file->canRead = (dwDesiredAccess & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) != 0;
    file->canWrite =
        (dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
    file->canDelete = (dwDesiredAccess & (DELETE | GENERIC_ALL)) != 0 ||
                      (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    file->share = dwShareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (dwCreationDisposition == TRUNCATE_EXISTING && !file->canWrite) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }

    platform::NativePath path;
    bool trailingSeparator = false;
    if (!resolveName(lpFileName, path, trailingSeparator)) return INVALID_HANDLE_VALUE;
    if (!path.ParentExists() || path.components == 0) {
        SetLastError(path.components == 0 ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    bool exists = path.missing == 0;
    struct stat st {};
    if (exists && stat(path.path.c_str(), &st) != 0) exists = false;  // a dangling link
    if (trailingSeparator && !(exists && S_ISDIR(st.st_mode))) {
        SetLastError(ERROR_INVALID_NAME);  // a file name cannot end in a separator
        return INVALID_HANDLE_VALUE;
    }
    if (!exists &&
        (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (exists && S_ISDIR(st.st_mode)) {
        // A directory opens only for its attributes and times, with backup semantics.
        bool plainOpen =
            dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == OPEN_ALWAYS;
        if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || !plainOpen || file->canWrite) {
            SetLastError(dwCreationDisposition == CREATE_NEW ? ERROR_FILE_EXISTS
                                                             : ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        file->isDirectory = true;
    }
    if (exists && dwCreationDisposition == CREATE_NEW) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    bool truncates =
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
    if (exists && !file->isDirectory && (file->canWrite || truncates) &&
        !platform::hasWriteBits(st)) {
        SetLastError(ERROR_ACCESS_DENIED);  // the read-only attribute
        return INVALID_HANDLE_VALUE;
    }

    int mode = file->canWrite ? (file->canRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    int flags = mode | O_CLOEXEC | (file->isDirectory ? O_DIRECTORY : 0);
    bool created = false;
    int fd = -1;
    if (dwCreationDisposition == CREATE_NEW || dwCreationDisposition == CREATE_ALWAYS ||
        dwCreationDisposition == OPEN_ALWAYS) {
        fd = open(path.path.c_str(), flags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            created = true;
        } else if (errno == EEXIST && dwCreationDisposition != CREATE_NEW) {
            fd = open(path.path.c_str(), flags);
        } else if (errno == EEXIST) {
            SetLastError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
    } else {
        fd = open(path.path.c_str(), flags);
        if (fd < 0 && !file->canRead && !file->canWrite)
            fd = open(path.path.c_str(), O_PATH | O_CLOEXEC);
    }
    if (fd < 0) {
        DWORD error = platform::FileErrorFromErrno(errno);
        SetLastError(error == ERROR_FILE_NOT_FOUND && !exists && path.missing == 0
                         ? ERROR_PATH_NOT_FOUND
                         : error);
        return INVALID_HANDLE_VALUE;
    }
    file->fd = fd;
    file->native = path.path;
    if (fstat(fd, &st) != 0) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    file->device = st.st_dev;
    file->inode = st.st_ino;
    file->truncates = truncates && !created;
    if (!platform::shareRegister(file.get())) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    if (file->truncates) {
        int rc = file->canWrite ? ftruncate(fd, 0) : truncate(path.path.c_str(), 0);
        if (rc != 0) {
            SetLastError(platform::FileErrorFromErrno(errno));
            return INVALID_HANDLE_VALUE;
        }
    }
    if (created && (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY)) fchmod(fd, st.st_mode & ~0222);
    file->deleteOnClose = (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;

    HANDLE handle = platform::KernelHandleAdd(file);
    if (!handle) {
        file->deleteOnClose = false;
        if (created) unlink(path.path.c_str());
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return INVALID_HANDLE_VALUE;
    }
    bool reopened = !created && (dwCreationDisposition == CREATE_ALWAYS ||
                                 dwCreationDisposition == OPEN_ALWAYS);
    SetLastError(reopened ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

namespace {

// Positions an OVERLAPPED transfer; null (with the error set) when it cannot be done here.
bool applyOverlapped(FileObject& file, LPOVERLAPPED overlapped) {
    if (!overlapped) return true;
    if (overlapped->hEvent) {
        SetLastError(ERROR_NOT_SUPPORTED);  // completion events belong to asynchronous handles
        return false;
    }
    off_t offset =
        static_cast<off_t>((uint64_t(overlapped->OffsetHigh) << 32) | overlapped->Offset);
    if (offset < 0 || lseek(file.fd, offset, SEEK_SET) < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

}  // namespace

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    platform::FileReadGate();
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    auto file = FileFromHandle(hFile);
    if (!file) return FALSE;
    if (!lpNumberOfBytesRead && !lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!lpBuffer && nNumberOfBytesToRead > 0) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    if (file->isDirectory) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    if (!file->canRead) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(file->lock);
    if (!applyOverlapped(*file, lpOverlapped)) return FALSE;
    char* out = static_cast<char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t n = read(file->fd, out + done, nNumberOfBytesToRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
            SetLastError(platform::FileErrorFromErrno(errno));
            return FALSE;
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
    if (lpOverlapped) {
        lpOverlapped->Internal = 0;
        lpOverlapped->InternalHigh = done;
        if (done == 0 && nNumberOfBytesToRead > 0) {
            SetLastError(ERROR_HANDLE_EOF);  // a positioned read past the end fails
            return FALSE;
        }
    }
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto file = FileFromHandle(hFile);
    if (!file) return FALSE;
    if (!lpNumberOfBytesWritten && !lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!lpBuffer && nNumberOfBytesToWrite > 0) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    if (!file->canWrite || file->isDirectory) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(file->lock);
    if (!applyOverlapped(*file, lpOverlapped)) return FALSE;
    const char* in = static_cast<const char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        ssize_t n = write(file->fd, in + done, nNumberOfBytesToWrite - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
            SetLastError(n == 0 ? ERROR_DISK_FULL : platform::FileErrorFromErrno(errno));
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
    if (lpOverlapped) {
        lpOverlapped->Internal = 0;
        lpOverlapped->InternalHigh = done;
    }
    return TRUE;
}

namespace {

// Moves the file pointer; false with the Windows error on failure.
bool movePointer(FileObject& file, LONGLONG distance, DWORD method, LONGLONG& position) {
    LONGLONG base = 0;
    switch (method) {
        case FILE_BEGIN:
            break;
        case FILE_CURRENT:
            base = lseek(file.fd, 0, SEEK_CUR);
            break;
        case FILE_END: {
            struct stat st;
            if (fstat(file.fd, &st) != 0) {
                SetLastError(platform::FileErrorFromErrno(errno));
                return false;
            }
            base = st.st_size;
            break;
        }
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
    }
    if (base < 0) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
    LONGLONG target;
    if (__builtin_add_overflow(base, distance, &target)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return false;
    }
    if (lseek(file.fd, static_cast<off_t>(target), SEEK_SET) < 0) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return false;
    }
    position = target;
    return true;
}

}  // namespace

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                            DWORD dwMoveMethod) {
    auto file = FileFromHandle(hFile);
    if (!file) return INVALID_SET_FILE_POINTER;
    LONGLONG distance = lpDistanceToMoveHigh
                            ? LONGLONG((uint64_t(uint32_t(*lpDistanceToMoveHigh)) << 32) |
                                       uint32_t(lDistanceToMove))
                            : LONGLONG(lDistanceToMove);
    std::lock_guard<std::mutex> g(file->lock);
    off_t before = lseek(file->fd, 0, SEEK_CUR);
    LONGLONG position = 0;
    if (!movePointer(*file, distance, dwMoveMethod, position)) return INVALID_SET_FILE_POINTER;
    if (!lpDistanceToMoveHigh && position > LONGLONG(0xFFFFFFFFu)) {
        lseek(file->fd, before, SEEK_SET);  // a 32-bit caller cannot see this position
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(uint64_t(position) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(uint64_t(position) & 0xFFFFFFFFu);
}

BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove,
                             PLARGE_INTEGER lpNewFilePointer, DWORD dwMoveMethod) {
    auto file = FileFromHandle(hFile);
    if (!file) return FALSE;
    std::lock_guard<std::mutex> g(file->lock);
    LONGLONG position = 0;
    if (!movePointer(*file, liDistanceToMove.QuadPart, dwMoveMethod, position)) return FALSE;
    if (lpNewFilePointer) lpNewFilePointer->QuadPart = position;
    return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(hFile, &size)) return INVALID_FILE_SIZE;
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(uint64_t(size.QuadPart) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(uint64_t(size.QuadPart) & 0xFFFFFFFFu);
}

BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    auto file = FileFromHandle(hFile);
    if (!file) return FALSE;
    if (!lpFileSize) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    struct stat st;
    if (fstat(file->fd, &st) != 0) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return FALSE;
    }
    lpFileSize->QuadPart = S_ISDIR(st.st_mode) ? 0 : st.st_size;
    return TRUE;
}

BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                        LPFILETIME lpLastWriteTime) {
    auto file = FileFromHandle(hFile);
    if (!file) return FALSE;
    FILETIME created, accessed, written;
    if (!platform::FileTimes(file->fd, "", created, accessed, written)) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return FALSE;
    }
    if (lpCreationTime) *lpCreationTime = created;
    if (lpLastAccessTime) *lpLastAccessTime = accessed;
    if (lpLastWriteTime) *lpLastWriteTime = written;
    return TRUE;
}

BOOL WINAPI SetEndOfFile(HANDLE hFile) {
    auto file = FileFromHandle(hFile);
    if (!file) return FALSE;
    if (!file->canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(file->lock);
    off_t position = lseek(file->fd, 0, SEEK_CUR);
    if (position < 0 || ftruncate(file->fd, position) != 0) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    auto file = FileFromHandle(hFile);
    if (!file) return FALSE;
    if (!file->canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (fsync(file->fd) != 0) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    platform::NativePath path;
    bool trailingSeparator = false;
    if (!resolveName(lpFileName, path, trailingSeparator)) return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (path.missing > 0 || stat(path.path.c_str(), &st) != 0) {
        SetLastError(path.missing > 0 ? path.MissingError() : ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (trailingSeparator && !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_FILE_ATTRIBUTES;
    }
    return platform::FileAttributesFromStat(st);
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    platform::NativePath path;
    bool trailingSeparator = false;
    if (!resolveName(lpFileName, path, trailingSeparator)) return FALSE;
    struct stat st;
    if (path.missing > 0 || lstat(path.path.c_str(), &st) != 0) {
        SetLastError(path.missing > 0 ? path.MissingError() : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (trailingSeparator && !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && !platform::hasWriteBits(st))) {
        SetLastError(ERROR_ACCESS_DENIED);  // directories and read-only files stay
        return FALSE;
    }
    if (platform::FileShareBlocksDelete(st.st_dev, st.st_ino)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (unlink(path.path.c_str()) != 0) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

namespace {

// A wide program path in code page 932, or false (ERROR_INVALID_NAME set).
bool narrowName(LPCWSTR name, std::string& out) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!platform::CodePageEncode(932, std::u16string_view(name), true, "?", nullptr, out)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return true;
}

}  // namespace

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    std::string name;
    if (!narrowName(lpFileName, name)) return INVALID_HANDLE_VALUE;
    return CreateFileA(name.c_str(), dwDesiredAccess, dwShareMode, lpSecurityAttributes,
                       dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
}

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    std::string name;
    if (!narrowName(lpFileName, name)) return FALSE;
    return DeleteFileA(name.c_str());
}
