#include <cstdio>
#include <cstring>

#include "tools/commands.h"
#include "tools/version.h"

namespace {

constexpr const char* kUsage =
    "usage: orvelle probe FILE\n"
    "       orvelle thumb [-s SIZE] [--no-fallback | --fallback 'CMD'] INPUT OUTPUT\n"
    "       orvelle --version | --help\n";

bool IsOption(const char* arg, const char* name) { return std::strcmp(arg, name) == 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && IsOption(argv[1], "probe")) return orvelle::RunProbe(argc - 2, argv + 2);
  if (argc >= 2 && IsOption(argv[1], "thumb")) return orvelle::RunThumb(argc - 2, argv + 2);
  // Asked-for output goes to stdout and succeeds, as with other command-line programs.
  if (argc == 2 && IsOption(argv[1], "--version")) {
    std::puts("orvelle " ORVELLE_VERSION);
    return orvelle::kExitOk;
  }
  if (argc == 2 && (IsOption(argv[1], "--help") || IsOption(argv[1], "-h"))) {
    std::fputs(kUsage, stdout);
    return orvelle::kExitOk;
  }
  std::fputs(kUsage, stderr);
  return orvelle::kExitUsage;
}
