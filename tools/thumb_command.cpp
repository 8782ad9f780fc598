// `orvelle thumb [-s SIZE] [--no-fallback | --fallback 'CMD'] INPUT OUTPUT`:
// the thumbnail of a Hap movie as a PNG. A file that does not probe as a Hap
// movie is handed on to the thumbnailer that served it before.
#include <cstdio>
#include <string>
#include <vector>

#include "core/thumbnail.h"
#include "tools/commands.h"
#include "tools/fallback.h"
#include "tools/file_source.h"
#include "tools/png_writer.h"

namespace orvelle {
namespace {

struct ThumbOptions {
  std::string sizeText = "256";
  uint32_t size = 256;
  bool chain = true;
  std::string fallback;  // empty: the default thumbnailer, when installed
  std::string input;
  std::string output;
};

bool ParseSize(const char* text, uint32_t* size) {
  if (*text == '\0') return false;
  uint64_t value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(*c - '0');
    if (value > UINT32_MAX) return false;
  }
  *size = static_cast<uint32_t>(value);
  return true;
}

bool ParseOptions(int argc, char** argv, ThumbOptions* options) {
  std::vector<std::string> positional;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-s" && i + 1 < argc) {
      options->sizeText = argv[++i];
      if (!ParseSize(argv[i], &options->size)) return false;
    } else if (arg == "--no-fallback") {
      options->chain = false;
    } else if (arg == "--fallback" && i + 1 < argc) {
      options->fallback = argv[++i];
      if (options->fallback.empty()) return false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return false;
  options->input = positional[0];
  options->output = positional[1];
  return true;
}

// Runs the previous thumbnailer on the unchanged request; -1 when there is none.
int Chain(const ThumbOptions& options) {
  const std::string line = options.fallback.empty() ? kDefaultFallback : options.fallback;
  std::vector<std::string> words;
  if (!SplitCommandLine(line, &words)) return -1;
  if (options.fallback.empty() && !FindProgram(words[0])) return -1;
  return RunProgram(ExpandPlaceholders(words, options.input, options.output, options.sizeText));
}

int Fail(ThumbStatus status) {
  std::fprintf(stderr, "orvelle: %s\n", ThumbStatusName(status));
  return kExitFailed;
}

}  // namespace

int RunThumb(int argc, char** argv) {
  ThumbOptions options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fputs("usage: orvelle thumb [-s SIZE] [--no-fallback | --fallback 'CMD'] INPUT OUTPUT\n",
               stderr);
    return kExitUsage;
  }
  FileSource file;
  if (!OpenFileSource(options.input.c_str(), &file)) return kExitUsage;

  const ThumbStatus probed = ProbeMovie(&file.source, nullptr);
  if (probed != ThumbOk) {
    CloseFileSource(&file);
    const int chained = options.chain ? Chain(options) : -1;
    return chained >= 0 ? chained : Fail(probed);
  }

  RgbaImage image{};
  const ThumbStatus decoded = DecodeThumbnail(&file.source, options.size, &image);
  CloseFileSource(&file);
  if (decoded != ThumbOk) return Fail(decoded);

  const bool written = WritePng(image, options.output.c_str());
  ReleaseImage(&image);
  if (!written) {
    std::fprintf(stderr, "orvelle: cannot write %s\n", options.output.c_str());
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace orvelle
