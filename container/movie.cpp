// Finds the first movie atom of a file, loads it, and picks its first Hap video track.
#include "container/movie.h"

#include <utility>

#include "base/heap_ptr.h"
#include "base/input_limits.h"
#include "container/atoms.h"
#include "container/read_ahead.h"
#include "container/track.h"

namespace orvelle {

namespace {

struct MovieAtom {
  uint64_t payloadOffset;
  uint64_t payloadLength;
};

// Walks the top-level atoms by their headers alone, up to the first movie
// atom. The headers come through a window of the file, so a run of tiny atoms
// costs one source read per window rather than one per atom.
ThumbStatus FindMovieAtom(const ByteSource& source, MovieAtom* movie) {
  ReadAhead headers(source);
  uint64_t offset = 0;
  bool passedAtom = false;
  for (;;) {
    uint8_t bytes[16];
    if (!headers.Read(offset, bytes, 8)) break;
    const uint32_t headerLength = AtomHeaderLength(bytes);
    if (headerLength > 8 && !headers.Read(offset, bytes, headerLength)) break;
    AtomHeader header;
    if (!DecodeAtomHeader(bytes, headerLength, source.size - offset, &header)) break;
    if (header.type == Fourcc("moov")) {
      movie->payloadOffset = offset + header.headerLength;
      movie->payloadLength = header.length - header.headerLength;
      return ThumbOk;
    }
    offset += header.length;
    passedAtom = true;
    if (source.size - offset < 8) break;
  }
  return passedAtom ? ThumbNoTrack : ThumbBadFile;
}

// Offers each track of the loaded movie payload to ParseTrack, in file order.
ThumbStatus ChooseTrack(const uint8_t* movie, uint64_t length, double movieDuration,
                        TrackInfo* track) {
  uint64_t position = 0;
  AtomView child;
  while (NextChildAtom(movie, length, &position, &child)) {
    if (child.type != Fourcc("trak")) continue;
    TrackInfo candidate = {};
    const TrackOutcome outcome = ParseTrack(movie, child, &candidate);
    if (outcome == TrackAccepted) {
      *track = std::move(candidate);
      if (track->duration == 0.0) track->duration = movieDuration;
      return ThumbOk;
    }
    if (outcome == TrackOutOfMemory) return ThumbOutOfMemory;
  }
  return ThumbNoTrack;
}

}  // namespace

ThumbStatus ParseMovie(const ByteSource* source, TrackInfo* track) {
  if (source == nullptr || source->read == nullptr || track == nullptr) {
    return ThumbInvalidArgument;
  }
  *track = TrackInfo{};
  if (source->size < 8) return ThumbBadFile;

  MovieAtom atom;
  const ThumbStatus found = FindMovieAtom(*source, &atom);
  if (found != ThumbOk) return found;
  if (atom.payloadLength == 0 || atom.payloadLength > kMaxMovieAtom) return ThumbBadFile;

  const HeapPtr<uint8_t> movie = AllocateArray<uint8_t>(atom.payloadLength);
  if (movie == nullptr) return ThumbOutOfMemory;
  if (source->read(source->context, atom.payloadOffset, movie.get(), atom.payloadLength) !=
      atom.payloadLength) {
    return ThumbReadFailed;
  }

  double movieDuration = 0.0;
  AtomView mvhd;
  if (FindChildAtom(movie.get(), 0, atom.payloadLength, Fourcc("mvhd"), &mvhd)) {
    ReadMediaDuration(mvhd, &movieDuration);
  }
  return ChooseTrack(movie.get(), atom.payloadLength, movieDuration, track);
}

}  // namespace orvelle
