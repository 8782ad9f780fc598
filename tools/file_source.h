// A ByteSource over an open file, read by position: the file is never loaded whole.
#pragma once

#include "core/thumbnail.h"

namespace orvelle {

// `source` points into the record, so the record stays where it was opened.
struct FileSource {
  int fd = -1;
  ByteSource source{};
};

// Opens `path` read-only and fills `file`. Anything but a regular file (a FIFO,
// a device, a directory) is refused without waiting on it. On failure prints
// "orvelle: cannot open PATH: REASON" to stderr and returns false.
bool OpenFileSource(const char* path, FileSource* file);

void CloseFileSource(FileSource* file);

}  // namespace orvelle
