#include "tools/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orvelle {
namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Leaves no partial data behind: the write has failed either way, so the
// result of this clean-up changes nothing.
void Discard(const char* path, bool created) {
  const int result = created ? unlink(path) : truncate(path, 0);
  static_cast<void>(result);
}

}  // namespace

bool WriteOutputFile(const char* path, const uint8_t* data, size_t size) {
  // O_NONBLOCK: opening a FIFO without a reader fails at once instead of waiting.
  constexpr int kFlags = O_WRONLY | O_NONBLOCK | O_CLOEXEC;
  bool created = true;
  int fd = open(path, kFlags | O_CREAT | O_EXCL, 0666);
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = open(path, kFlags);
  }
  if (fd < 0) return false;

  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return false;
  }
  const bool written = ftruncate(fd, 0) == 0 && WriteAll(fd, data, size);
  // A failed close can mean the data never reached the file (NFS, quotas).
  const bool closed = close(fd) == 0;
  if (written && closed) return true;
  Discard(path, created);
  return false;
}

}  // namespace orvelle
