// A ByteSource over an open file, read by position: the file is never loaded whole.
#pragma once

#include "core/thumbnail.h"

namespace orvelle {

// `source` points into the record, so the record stays where it was opened.
struct FileSource {
  int fd = -1;
  ByteSource source{};
};

// Opens `path` read-only and fills `file`; false (errno set) if it cannot be
// opened or is not a regular file.
bool OpenFileSource(const char* path, FileSource* file);

void CloseFileSource(FileSource* file);

}  // namespace orvelle
