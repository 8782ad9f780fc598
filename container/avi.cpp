// The top of an AVI file: RIFF 'AVI ' with its header list, movie data and
// legacy index, the header list loaded whole and its stream lists searched.
#include "container/avi.h"

#include <utility>

#include "base/heap_ptr.h"
#include "base/input_limits.h"
#include "container/avi_file.h"
#include "container/avi_index.h"
#include "container/codec_kind.h"

namespace orvelle {

namespace {

constexpr uint32_t kStreamHeaderMinimum = 36;  // through the stream's length
constexpr uint32_t kBitmapInfoHeaderBytes = 40;
constexpr uint32_t kListHeaderBytes = 12;  // chunk header and list type

struct HeaderList {
  bool found = false;
  uint64_t body = 0;  // past the list type
  uint64_t length = 0;
};

struct HapStream {
  uint32_t number;  // its place among the stream lists, which frame chunk ids name
  HapCodecKind kind;
  uint32_t fourcc;
  uint32_t width;
  uint32_t height;
  double duration;
  bool hasSuperIndex;
  ChunkView superIndex;
};

// Walks the children of RIFF 'AVI ' by their headers. A RIFF size that is too
// small or runs past the file, as unfinished recordings leave, reaches to the
// end of the file; a 'movi' list cut short is kept as far as it goes.
void WalkRiff(ReadAhead& file, AviLayout* layout, HeaderList* hdrl) {
  FileChunk riff;
  if (!ReadFileChunk(file, 0, layout->fileSize, &riff)) return;
  const bool sized = riff.whole && riff.size >= 4;
  const uint64_t end = sized ? riff.bodyEnd : layout->fileSize;
  layout->riffEnd = sized ? riff.next : layout->fileSize;
  FileChunk chunk;
  for (uint64_t at = kListHeaderBytes; ReadFileChunk(file, at, end, &chunk); at = chunk.next) {
    const bool isList = chunk.id == Fourcc("LIST");
    if (isList && chunk.listType == Fourcc("movi") && !layout->hasMovi) {
      layout->hasMovi = true;
      layout->moviList = at + kChunkHeaderBytes;
      layout->moviEnd = chunk.bodyEnd;
    }
    if (!chunk.whole) return;
    if (isList && chunk.listType == Fourcc("hdrl") && !hdrl->found) {
      *hdrl = {true, at + kListHeaderBytes, uint64_t{chunk.size} - 4};
    } else if (chunk.id == Fourcc("idx1") && !layout->hasIdx1) {
      layout->hasIdx1 = true;
      layout->idx1Body = at + kChunkHeaderBytes;
      layout->idx1Size = chunk.size;
    }
  }
}

// A video stream list whose format is Hap: its header gives the duration, its
// bitmap header the format code and frame size.
bool ReadHapStream(const ChunkView& strl, uint32_t number, HapStream* stream) {
  ChunkView strh, strf;
  if (!FindChunk(strl, Fourcc("strh"), &strh) || strh.length < kStreamHeaderMinimum ||
      LoadBe32(strh.data) != Fourcc("vids") || !FindChunk(strl, Fourcc("strf"), &strf) ||
      strf.length < kBitmapInfoHeaderBytes) {
    return false;
  }
  const uint32_t width = LoadLe32(strf.data + 4);
  uint32_t height = LoadLe32(strf.data + 8);
  const uint32_t fourcc = LoadBe32(strf.data + 16);
  const HapCodecKind kind = CodecKindFromFourcc(fourcc);
  if (kind == CodecKindNone || (width & 0x80000000) != 0) return false;
  // A negative height marks a top-down bitmap; Hap frames describe their own
  // layout, so only the magnitude counts.
  if ((height & 0x80000000) != 0) height = ~height + 1;

  const uint32_t scale = LoadLe32(strh.data + 20);
  const uint32_t rate = LoadLe32(strh.data + 24);
  const uint32_t length = LoadLe32(strh.data + 32);
  const double duration = scale == 0 || rate == 0 ? 0.0
                                                  : static_cast<double>(uint64_t{length} * scale) /
                                                        static_cast<double>(rate);
  ChunkView superIndex{};
  const bool hasSuperIndex =
      FindChunk(strl, Fourcc("indx"), &superIndex) && IsUsableSuperIndex(superIndex);
  *stream = {number, kind, fourcc, width, height, duration, hasSuperIndex, superIndex};
  return true;
}

bool FindHapStream(const uint8_t* hdrl, uint64_t length, HapStream* stream) {
  uint64_t position = 0;
  ChunkView child;
  for (uint32_t number = 0; NextChunk(hdrl, length, &position, &child);) {
    if (!IsList(child, Fourcc("strl"))) continue;
    if (ReadHapStream(child, number, stream)) return true;
    ++number;
  }
  return false;
}

// Hands the frames over as one-sample chunks, which LocateSample reads as is.
ThumbStatus TakeSamples(SampleTable* table, TrackInfo* track) {
  if (table->count == 0) return ThumbOk;
  HeapPtr<SampleToChunkEntry> run = AllocateArray<SampleToChunkEntry>(1);
  if (run == nullptr) return ThumbOutOfMemory;
  *run = {1, 1, 1};
  track->sampleCount = table->count;
  track->sampleSizes = std::move(table->sizes);
  track->chunkOffsets = std::move(table->offsets);
  track->chunkCount = table->count;
  track->sampleToChunk = std::move(run);
  track->sampleToChunkCount = 1;
  return ThumbOk;
}

ThumbStatus ReadSamples(ReadAhead& file, const AviLayout& layout, const HapStream& stream,
                        TrackInfo* track) {
  SampleTable table;
  ThumbStatus status;
  if (stream.hasSuperIndex) {
    status = ReadOpenDmlIndex(file, layout, stream.superIndex, &table);
  } else if (layout.hasIdx1) {
    status = ReadLegacyIndex(file, layout, stream.number, &table);
  } else {
    status = ScanMovieData(file, layout, stream.number, &table);
  }
  if (status != ThumbOk) return status;
  return TakeSamples(&table, track);
}

}  // namespace

bool IsAviSignature(const uint8_t* first12) {
  return LoadBe32(first12) == Fourcc("RIFF") && LoadBe32(first12 + 8) == Fourcc("AVI ");
}

ThumbStatus ParseAviMovie(const ByteSource& source, TrackInfo* track) {
  *track = TrackInfo{};
  ReadAhead file(source);
  AviLayout layout;
  layout.fileSize = source.size;
  HeaderList hdrl;
  WalkRiff(file, &layout, &hdrl);
  if (!hdrl.found) return ThumbNoTrack;
  if (hdrl.length == 0 || hdrl.length > kMaxAviHeaderList) return ThumbBadFile;

  const HeapPtr<uint8_t> header = AllocateArray<uint8_t>(hdrl.length);
  if (header == nullptr) return ThumbOutOfMemory;
  if (source.read(source.context, hdrl.body, header.get(), hdrl.length) != hdrl.length) {
    return ThumbReadFailed;
  }
  HapStream stream;
  ThumbStatus status = ThumbNoTrack;
  if (FindHapStream(header.get(), hdrl.length, &stream)) {
    track->codecKind = stream.kind;
    track->fourcc = stream.fourcc;
    track->width = stream.width;
    track->height = stream.height;
    track->duration = stream.duration;
    status = ReadSamples(file, layout, stream, track);
  }
  if (status != ThumbOk) *track = TrackInfo{};
  return status;
}

}  // namespace orvelle
