// Writes the seed corpora of the fuzzers: movies (QuickTime and AVI) and
// frames of every codec built in code, BC6H and BC7 blocks of every mode,
// images of the shapes the downscaler treats apart, and, given frames that ffmpeg cut out of its
// movies, those frames in each fuzzer's input layout.
//   fuzz_seed_writer CORPUS-DIR [FRAME-FILE WIDTH HEIGHT]...
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "tests/support/atom_builder.h"
#include "tests/support/codec_frames.h"
#include "tests/support/riff_builder.h"

namespace {

using namespace orvelle::testing;
using orvelle::fuzz::EncodeDownscaleInput;
using orvelle::fuzz::EncodeFrameInput;
using orvelle::fuzz::EncodeHapFrameInput;

constexpr uint32_t kCapacity = 1 << 16;

class CorpusWriter {
 public:
  explicit CorpusWriter(std::string root) : root_(std::move(root)) {}

  void Write(const char* fuzzer, const std::string& name, const Bytes& bytes) {
    const std::string path = root_ + "/" + fuzzer + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
  }

  // One frame for the two frame fuzzers.
  void WriteFrame(const std::string& name, const Bytes& frame, uint32_t width, uint32_t height) {
    const uint32_t paddedWidth = (width + 3) & ~3u, paddedHeight = (height + 3) & ~3u;
    if (paddedWidth <= 1024 && paddedHeight <= 1024) {
      Write("hap_frame", name, EncodeHapFrameInput(kCapacity, paddedWidth, paddedHeight, frame));
    }
    Write("frame_to_rgba", name, EncodeFrameInput(width, height, 4, frame));
  }

 private:
  std::string root_;
};

void WriteBuiltSeeds(CorpusWriter* corpus) {
  for (const char* fourcc : kHapFourccs) {
    for (Storage storage : kStorages) {
      const std::string name = std::string(fourcc) + "_" + StorageName(storage);
      corpus->WriteFrame(name, CodecFrame(fourcc, 12, 8, storage), 12, 8);
      HapMovie movie;
      movie.format = fourcc;
      movie.width = 40;  // larger than the pipeline fuzzer's thumbnail, so it is shrunk
      movie.height = 24;
      movie.samplesPerChunk = 2;
      movie.co64 = storage == Storage::Snappy;
      for (uint8_t seed = 1; seed <= 3; ++seed)
        movie.samples.push_back(CodecFrame(fourcc, 40, 24, storage, seed));
      corpus->Write("pipeline", name + ".mov", BuildHapMovie(movie));
    }
  }
}

// Frames of every codec in AVI files, one for each kind of index, each with
// one of the layouts that real files use.
void WriteAviSeeds(CorpusWriter* corpus) {
  constexpr struct {
    AviIndex index;
    const char* name;
  } kIndexes[] = {{AviIndex::Relative, "idx1"},
                  {AviIndex::Absolute, "idx1_absolute"},
                  {AviIndex::OpenDml, "opendml"},
                  {AviIndex::None, "no_index"}};
  uint8_t seed = 1;
  for (const char* fourcc : kHapFourccs) {
    for (const auto& index : kIndexes) {
      HapAvi avi;
      avi.format = fourcc;
      avi.width = 40;
      avi.height = index.index == AviIndex::Absolute ? -24 : 24;
      avi.index = index.index;
      avi.audioFirst = index.index != AviIndex::Relative;
      avi.recGroups = index.index == AviIndex::None;
      avi.framesPerRiff = index.index == AviIndex::OpenDml ? 2 : 0;
      for (int i = 0; i < 3; ++i, ++seed) {
        avi.samples.push_back(CodecFrame(fourcc, 40, 24, kStorages[seed % 3], seed));
      }
      corpus->Write("pipeline", std::string(fourcc) + "_" + index.name + ".avi", BuildHapAvi(avi));
    }
  }
}

// BC7 blocks of each mode and BC6H blocks of each mode code, the other bits a pattern.
void WriteBlockSeeds(CorpusWriter* corpus) {
  for (int mode = 0; mode < 8; ++mode) {
    Bytes block = Pattern(16, static_cast<uint8_t>(mode));
    block[0] = static_cast<uint8_t>((block[0] & ~0u << (mode + 1)) | 1u << mode);
    corpus->Write("block", "bc7_mode" + std::to_string(mode), block);
  }
  for (int code = 0; code < 32; ++code) {
    Bytes block = Pattern(16, static_cast<uint8_t>(code + 100));
    block[0] = static_cast<uint8_t>((block[0] & 0xE0) | code);
    corpus->Write("block", "bc6h_code" + std::to_string(code), block);
  }
}

// Shapes that reach the downscaler's different paths: a common thumbnail,
// boxes that straddle its column strips, boxes too tall for 16-bit sums, an
// enlargement and an empty source.
void WriteDownscaleSeeds(CorpusWriter* corpus) {
  corpus->Write("downscale", "thumbnail", EncodeDownscaleInput(40, 24, 16, 10, Pattern(60, 1)));
  corpus->Write("downscale", "wide", EncodeDownscaleInput(9000, 3, 32, 1, Pattern(97, 2)));
  corpus->Write("downscale", "tall", EncodeDownscaleInput(3, 16384, 1, 32, Bytes(12, 0xFF)));
  corpus->Write("downscale", "enlarged", EncodeDownscaleInput(3, 2, 7, 5, Pattern(24, 3)));
  corpus->Write("downscale", "empty", EncodeDownscaleInput(0, 5, 4, 4, {}));
}

// A frame that ffmpeg cut out of a movie, and the 16-byte slices of its first texture bytes.
void WriteFfmpegFrame(CorpusWriter* corpus, const char* path, uint32_t width, uint32_t height) {
  std::ifstream in(path, std::ios::binary);
  const Bytes frame{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (frame.empty()) {
    std::fprintf(stderr, "cannot read %s\n", path);
    std::exit(1);
  }
  std::string name = path;
  name = "ffmpeg_" + name.substr(name.find_last_of('/') + 1);
  corpus->WriteFrame(name, frame, width, height);
  for (size_t at = 8, slice = 0; at + 16 <= frame.size() && slice < 4; at += 16 * 7, ++slice) {
    corpus->Write("block", name + "_" + std::to_string(slice),
                  Bytes(frame.begin() + at, frame.begin() + at + 16));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || (argc - 2) % 3 != 0) {
    std::fputs("usage: fuzz_seed_writer CORPUS-DIR [FRAME-FILE WIDTH HEIGHT]...\n", stderr);
    return 2;
  }
  CorpusWriter corpus(argv[1]);
  WriteBuiltSeeds(&corpus);
  WriteAviSeeds(&corpus);
  WriteBlockSeeds(&corpus);
  WriteDownscaleSeeds(&corpus);
  for (int i = 2; i < argc; i += 3) {
    WriteFfmpegFrame(&corpus, argv[i], static_cast<uint32_t>(std::atoi(argv[i + 1])),
                     static_cast<uint32_t>(std::atoi(argv[i + 2])));
  }
  return 0;
}
