#include "tools/file_source.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvelle {
namespace {

uint64_t ReadAt(void* context, uint64_t offset, void* destination, uint64_t length) {
  const int fd = *static_cast<const int*>(context);
  auto* out = static_cast<unsigned char*>(destination);
  uint64_t total = 0;
  while (total < length) {
    const uint64_t position = offset + total;
    if (position < offset || position > static_cast<uint64_t>(INT64_MAX)) break;
    const uint64_t want = length - total;
    // pread's count is bounded by SSIZE_MAX; large requests simply loop.
    const size_t piece = want > (1u << 30) ? (1u << 30) : static_cast<size_t>(want);
    const ssize_t got = pread(fd, out + total, piece, static_cast<off_t>(position));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    total += static_cast<uint64_t>(got);
  }
  return total;
}

}  // namespace

bool OpenFileSource(const char* path, FileSource* file) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    const int error = errno;
    close(fd);
    errno = error;
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    close(fd);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  file->fd = fd;
  file->source = ByteSource{&file->fd, &ReadAt, static_cast<uint64_t>(info.st_size)};
  return true;
}

void CloseFileSource(FileSource* file) {
  if (file->fd >= 0) close(file->fd);
  file->fd = -1;
  file->source = ByteSource{};
}

}  // namespace orvelle
