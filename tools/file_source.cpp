#include "tools/file_source.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

bool Refuse(const char* path, const char* reason) {
  std::fprintf(stderr, "orvelle: cannot open %s: %s\n", path, reason);
  return false;
}

}  // namespace

bool OpenFileSource(const char* path, FileSource* file) {
  constexpr const char* kNotRegular = "not a regular file";
  // Checked before opening: opening a FIFO waits for a writer, and opening a
  // device can act on it. A desktop's thumbnail service must never hang here.
  struct stat info {};
  if (stat(path, &info) != 0) return Refuse(path, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return Refuse(path, kNotRegular);
  // The path may be swapped for a FIFO in between: O_NONBLOCK keeps that open
  // from waiting, and fstat looks at what was really opened.
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Refuse(path, std::strerror(errno));
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return Refuse(path, kNotRegular);
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
