#include <cstdio>
#include <cstring>

#include "tools/commands.h"

namespace {

void PrintUsage() {
  std::fputs(
      "usage: orvelle probe FILE\n"
      "       orvelle thumb [-s SIZE] [--no-fallback | --fallback 'CMD'] INPUT OUTPUT\n",
      stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "probe") == 0) return orvelle::RunProbe(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "thumb") == 0) return orvelle::RunThumb(argc - 2, argv + 2);
  PrintUsage();
  return orvelle::kExitUsage;
}
