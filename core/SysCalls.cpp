#include "core/SysCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace qx {

SysCalls& SysCalls::Real() {
  // Stateless: Inject of the base class lets every call through.
  static SysCalls real;
  return real;
}

bool SysCalls::Injected(Call call) {
  const int e = Inject(call);
  if (e == 0) return false;
  errno = e;
  return true;
}

int SysCalls::Open(const char* path, int flags, mode_t mode) {
  return Injected(Call::Open) ? -1 : ::open(path, flags, mode);
}
int SysCalls::Fstat(int fd, struct stat* st) {
  return Injected(Call::Fstat) ? -1 : ::fstat(fd, st);
}
int SysCalls::Lstat(const char* path, struct stat* st) {
  return Injected(Call::Lstat) ? -1 : ::lstat(path, st);
}
ssize_t SysCalls::Pread(int fd, void* buf, std::size_t n, off_t at) {
  return Injected(Call::Read) ? -1 : ::pread(fd, buf, n, at);
}
ssize_t SysCalls::Pwrite(int fd, const void* buf, std::size_t n, off_t at) {
  return Injected(Call::Write) ? -1 : ::pwrite(fd, buf, Limit(Call::Write, n), at);
}
ssize_t SysCalls::Write(int fd, const void* buf, std::size_t n) {
  return Injected(Call::Write) ? -1 : ::write(fd, buf, Limit(Call::Write, n));
}
off_t SysCalls::Seek(int fd, off_t offset, int whence) {
  return Injected(Call::Seek) ? -1 : ::lseek(fd, offset, whence);
}
int SysCalls::Truncate(int fd, off_t length) {
  return Injected(Call::Truncate) ? -1 : ::ftruncate(fd, length);
}
int SysCalls::Fsync(int fd) {
  return Injected(Call::Sync) ? -1 : ::fsync(fd);
}
int SysCalls::Close(int fd) {
  // The descriptor is released even when a failure is injected, as close does.
  const bool fail = Injected(Call::Close);
  const int saved = errno;
  const int r = ::close(fd);
  if (!fail) return r;
  errno = saved;
  return -1;
}
int SysCalls::Fchown(int fd, uid_t uid, gid_t gid) {
  return Injected(Call::Chown) ? -1 : ::fchown(fd, uid, gid);
}
int SysCalls::Fchmod(int fd, mode_t mode) {
  return Injected(Call::Chmod) ? -1 : ::fchmod(fd, mode);
}
int SysCalls::Flock(int fd, int operation) {
  return Injected(Call::Lock) ? -1 : ::flock(fd, operation);
}
int SysCalls::CreateTemp(char* pathTemplate) {
  return Injected(Call::CreateTemp) ? -1 : ::mkostemp(pathTemplate, O_CLOEXEC);
}
ssize_t SysCalls::CopyFileRange(int in, off_t* inAt, int out, std::size_t n) {
  if (Injected(Call::KernelCopy)) return -1;
  loff_t at = *inAt;
  const ssize_t r = ::copy_file_range(in, &at, out, nullptr, Limit(Call::KernelCopy, n), 0);
  *inAt = at;
  return r;
}
int SysCalls::Link(const char* from, const char* to) {
  return Injected(Call::Link) ? -1 : ::link(from, to);
}
int SysCalls::Rename(const char* from, const char* to) {
  return Injected(Call::Rename) ? -1 : ::rename(from, to);
}
int SysCalls::Exchange(const char* a, const char* b) {
  if (Injected(Call::Exchange)) return -1;
#ifdef SYS_renameat2
  return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE));
#else
  (void)a;
  (void)b;
  errno = EINVAL;
  return -1;
#endif
}
int SysCalls::Unlink(const char* path) {
  return Injected(Call::Unlink) ? -1 : ::unlink(path);
}

int SysCalls::Stat(const char* path, struct stat* st) {
  return Injected(Call::Stat) ? -1 : ::stat(path, st);
}
int SysCalls::Mkdir(const char* path, mode_t mode) {
  return Injected(Call::Mkdir) ? -1 : ::mkdir(path, mode);
}
char* SysCalls::Realpath(const char* path, char* resolved) {
  return Injected(Call::Realpath) ? nullptr : ::realpath(path, resolved);
}
ssize_t SysCalls::Readlink(const char* path, char* buf, std::size_t n) {
  return Injected(Call::Readlink) ? -1 : ::readlink(path, buf, n);
}

int SysCalls::ListDir(const char* path, std::vector<std::string>& names) {
  names.clear();
  if (Injected(Call::ListDir)) return -1;
  DIR* dir = ::opendir(path);
  if (dir == nullptr) return -1;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int saved = errno;
  ::closedir(dir);
  errno = saved;
  return saved == 0 ? 0 : -1;
}

void FailWritesPastSizeLimit() {
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace qx
