// The kernel object behind a file HANDLE, and helpers the file functions share.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <mutex>
#include <string>

#include "kernel_objects.h"
#include "win_files.h"

namespace platform {

class FileObject : public KernelObject {
  public:
    ~FileObject() override;

    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
    bool canDelete = false;
    bool truncates = false;  // opened with a disposition that empties the file
    DWORD share = 0;
    bool isDirectory = false;
    bool deleteOnClose = false;
    bool registered = false;
    std::string native;
    dev_t device = 0;
    ino_t inode = 0;
    std::mutex lock;  // one operation at a time on a synchronous handle
};

// The file behind a handle, or null with ERROR_INVALID_HANDLE.
std::shared_ptr<FileObject> FileFromHandle(HANDLE handle);

// True when some open handle on the file refuses deletion (no FILE_SHARE_DELETE).
bool FileShareBlocksDelete(dev_t device, ino_t inode);

// The Windows error for an errno value.
DWORD FileErrorFromErrno(int error);

// 100-ns intervals since 1601-01-01 (UTC).
FILETIME FileTimeFromUnix(const struct timespec& time);

// Creation (birth time where the file system keeps one, else the last
// write), last access and last write times of an open file (fd) or a path
// (fd = AT_FDCWD). False with errno set when the file cannot be examined.
bool FileTimes(int fd, const char* path, FILETIME& created, FILETIME& accessed, FILETIME& written);

// Windows attributes of a stat record.
DWORD FileAttributesFromStat(const struct stat& st);

// Windows' rule for functions that fill a caller's buffer: the text and its
// zero when they fit (returns the length), else nothing written and the size
// needed, zero included.
DWORD FileCopyOutString(const std::string& text, DWORD size, LPSTR buffer);

}  // namespace platform
