// The system calls of the file routines. Every call first asks Inject,
// which the program leaves alone and a test overrides to make any chosen
// call fail, so that each step of a write or commit can be made to fail.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qx {

class SysCalls {
 public:
  enum class Call {
    Open,
    Fstat,
    Lstat,
    Read,
    Write,
    Seek,
    Truncate,
    Sync,
    Close,
    Chown,
    Chmod,
    Lock,
    CreateTemp,
    KernelCopy,
    Link,
    Rename,
    Exchange,
    Unlink,
    Stat,
    Mkdir,
    Realpath,
    Readlink,
    ListDir,
  };

  SysCalls() = default;
  virtual ~SysCalls() = default;
  SysCalls(const SysCalls&) = delete;
  SysCalls& operator=(const SysCalls&) = delete;

  // The calls of the real program: nothing is injected.
  static SysCalls& Real();

  int Open(const char* path, int flags, mode_t mode = 0);
  int Fstat(int fd, struct stat* st);
  int Lstat(const char* path, struct stat* st);
  ssize_t Pread(int fd, void* buf, std::size_t n, off_t at);
  ssize_t Pwrite(int fd, const void* buf, std::size_t n, off_t at);
  ssize_t Write(int fd, const void* buf, std::size_t n);
  off_t Seek(int fd, off_t offset, int whence);
  int Truncate(int fd, off_t length);
  int Fsync(int fd);
  int Close(int fd);
  int Fchown(int fd, uid_t uid, gid_t gid);
  int Fchmod(int fd, mode_t mode);
  int Flock(int fd, int operation);
  int CreateTemp(char* pathTemplate);
  ssize_t CopyFileRange(int in, off_t* inAt, int out, std::size_t n);
  int Link(const char* from, const char* to);
  int Rename(const char* from, const char* to);
  // renameat2 with RENAME_EXCHANGE; EINVAL where the file system has none.
  int Exchange(const char* a, const char* b);
  int Unlink(const char* path);
  int Stat(const char* path, struct stat* st);
  int Mkdir(const char* path, mode_t mode);
  // realpath with a buffer of PATH_MAX bytes: resolved holds the name.
  char* Realpath(const char* path, char* resolved);
  ssize_t Readlink(const char* path, char* buf, std::size_t n);
  // The names in a directory but "." and ".."; 0, or -1 with errno.
  int ListDir(const char* path, std::vector<std::string>& names);

 protected:
  // 0 lets the call run; an errno value fails it with that error instead.
  virtual int Inject(Call call) {
    (void)call;
    return 0;
  }
  // How many of n bytes a write or kernel copy may move this time; fewer
  // than n makes the call short, as a full disk or a signal can.
  virtual std::size_t Limit(Call call, std::size_t n) {
    (void)call;
    return n;
  }

 private:
  bool Injected(Call call);
};

// A write past the file size limit (ulimit -f) then fails with EFBIG and
// its message, instead of the signal killing the program in mid-rewrite.
void FailWritesPastSizeLimit();

}  // namespace qx
