// `orvelle probe FILE`: one line of JSON describing the movie's Hap track.
#include <charconv>
#include <cstdio>

#include "core/thumbnail.h"
#include "tools/commands.h"
#include "tools/file_source.h"

namespace orvelle {
namespace {

// Shortest text that reads back as the same double: a valid JSON number for
// every finite value.
void FormatNumber(double value, char (&text)[32]) {
  const auto end = std::to_chars(text, text + sizeof(text) - 1, value).ptr;
  *end = '\0';
}

void PrintFourcc(uint32_t fourcc) {
  std::putchar('"');
  for (int shift = 24; fourcc != 0 && shift >= 0; shift -= 8) {
    std::putchar(static_cast<char>(fourcc >> shift));
  }
  std::putchar('"');
}

}  // namespace

int RunProbe(int argc, char** argv) {
  if (argc != 1) {
    std::fputs("usage: orvelle probe FILE\n", stderr);
    return kExitUsage;
  }
  FileSource file;
  if (!OpenFileSource(argv[0], &file)) return kExitUsage;
  ProbeInfo info{};
  const ThumbStatus status = ProbeMovie(&file.source, &info);
  CloseFileSource(&file);
  if (status != ThumbOk) info = ProbeInfo{};

  char duration[32];
  FormatNumber(info.duration, duration);
  std::printf("{\"status\":%d,\"codec\":%u,\"fourcc\":", static_cast<int>(status), info.codecKind);
  PrintFourcc(info.fourcc);
  std::printf(",\"width\":%u,\"height\":%u,\"samples\":%u,\"duration\":%s}\n", info.width,
              info.height, info.sampleCount, duration);
  return status == ThumbOk ? kExitOk : kExitFailed;
}

}  // namespace orvelle
