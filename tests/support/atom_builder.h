// Writes QuickTime atoms in code, so that tests build the movies they need.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "container/track_info.h"

namespace orvelle::testing {

// How an atom's header states its length.
enum class AtomSize {
  Exact,  // 32-bit size
  Large,  // size 1 followed by a 64-bit length
  ToEnd,  // size 0: the atom runs to the end of its enclosing range
};

// Appends big-endian fields and nested atoms to one byte vector; each atom's
// length is filled in when it is closed.
class AtomWriter {
 public:
  AtomWriter& Begin(const char* type, AtomSize form = AtomSize::Exact) {
    open_.push_back({bytes_.size(), form});
    U32(form == AtomSize::Large ? 1 : 0).Type(type);
    if (form == AtomSize::Large) U64(0);
    return *this;
  }

  AtomWriter& End() {
    const Open atom = open_.back();
    open_.pop_back();
    const uint64_t length = bytes_.size() - atom.start;
    if (atom.form == AtomSize::Large) {
      Put(atom.start + 8, length, 8);
    } else if (atom.form == AtomSize::Exact) {
      if (length > UINT32_MAX) std::abort();  // needs AtomSize::Large
      Put(atom.start, length, 4);
    }
    return *this;
  }

  // A whole atom around `payload`.
  AtomWriter& Atom(const char* type, const std::vector<uint8_t>& payload) {
    return Begin(type).Bytes(payload).End();
  }

  AtomWriter& U8(uint8_t value) { return Append(value, 1); }
  AtomWriter& U16(uint16_t value) { return Append(value, 2); }
  AtomWriter& U32(uint32_t value) { return Append(value, 4); }
  AtomWriter& U64(uint64_t value) { return Append(value, 8); }
  AtomWriter& Type(const char* type) {
    bytes_.insert(bytes_.end(), type, type + 4);
    return *this;
  }
  AtomWriter& Bytes(const std::vector<uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  AtomWriter& Zeros(uint64_t count) {
    bytes_.resize(bytes_.size() + count);
    return *this;
  }

  uint64_t size() const { return bytes_.size(); }
  // Bytes written since the innermost open atom's header.
  uint64_t payloadSize() const {
    const Open& atom = open_.back();
    return bytes_.size() - atom.start - (atom.form == AtomSize::Large ? 16 : 8);
  }

  std::vector<uint8_t> Take() {
    if (!open_.empty()) std::abort();
    return std::move(bytes_);
  }

 private:
  struct Open {
    uint64_t start;
    AtomSize form;
  };

  AtomWriter& Append(uint64_t value, int width) {
    bytes_.resize(bytes_.size() + width);
    Put(bytes_.size() - width, value, width);
    return *this;
  }

  void Put(uint64_t at, uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i, value >>= 8) bytes_[at + i] = static_cast<uint8_t>(value);
  }

  std::vector<uint8_t> bytes_;
  std::vector<Open> open_;
};

// "mvhd" or "mdhd": version 0 with 32-bit times, version 1 with 64-bit times.
inline void WriteTimeHeader(AtomWriter& w, const char* type, uint32_t timeScale,
                            uint64_t duration, uint8_t version = 0) {
  w.Begin(type).U8(version).Zeros(3);
  if (version == 1) {
    w.U64(0).U64(0).U32(timeScale).U64(duration);
  } else {
    w.U32(0).U32(0).U32(timeScale).U32(static_cast<uint32_t>(duration));
  }
  w.Zeros(16).End();  // the fields after the duration, which no reader needs
}

inline void WriteHandler(AtomWriter& w, const char* handlerType) {
  w.Begin("hdlr").U32(0).Type("mhlr").Type(handlerType).Zeros(12).U8(0).End();
}

// "stsd" with one sample description entry of the usual 86 bytes.
inline void WriteSampleDescription(AtomWriter& w, const char* format, uint16_t width,
                                   uint16_t height) {
  w.Begin("stsd").U32(0).U32(1);
  w.U32(86).Type(format).Zeros(6).U16(1);  // entry size, format, reserved, data reference
  w.Zeros(16).U16(width).U16(height);      // version, revision, vendor, qualities
  w.U32(0x00480000).U32(0x00480000).U32(0).U16(1).Zeros(32).U16(24).U16(0xFFFF).End();
}

// "stsz": a constant size with `count` samples, or one size per sample when `constant` is 0.
inline void WriteSampleSizes(AtomWriter& w, uint32_t constant, uint32_t count,
                             const std::vector<uint32_t>& sizes) {
  w.Begin("stsz").U32(0).U32(constant).U32(constant != 0 ? count : sizes.size());
  if (constant == 0) {
    for (uint32_t size : sizes) w.U32(size);
  }
  w.End();
}

inline void WriteSampleToChunk(AtomWriter& w, const std::vector<SampleToChunkEntry>& entries) {
  w.Begin("stsc").U32(0).U32(entries.size());
  for (const SampleToChunkEntry& e : entries) {
    w.U32(e.firstChunk).U32(e.samplesPerChunk).U32(e.sampleDescriptionIndex);
  }
  w.End();
}

// "co64" with 64-bit offsets, else "stco" with each offset cut to 32 bits.
inline void WriteChunkOffsets(AtomWriter& w, const std::vector<uint64_t>& offsets, bool co64) {
  w.Begin(co64 ? "co64" : "stco").U32(0).U32(offsets.size());
  for (uint64_t offset : offsets) {
    if (co64) {
      w.U64(offset);
    } else {
      w.U32(static_cast<uint32_t>(offset));
    }
  }
  w.End();
}

// Everything that a track atom built by WriteTrack holds.
struct TrackLayout {
  const char* handler = "vide";  // null: no handler atom
  const char* format = "Hap1";
  uint16_t width = 64;
  uint16_t height = 32;
  uint32_t timeScale = 0;  // media header time scale; 0: no media header
  uint64_t duration = 0;
  uint32_t constantSampleSize = 0;
  uint32_t sampleCount = 0;  // used with a constant size; else the sizes give it
  std::vector<uint32_t> sampleSizes;
  std::vector<SampleToChunkEntry> sampleToChunk = {{1, 1, 1}};
  std::vector<uint64_t> chunkOffsets;
  bool co64 = false;
};

inline void WriteTrack(AtomWriter& w, const TrackLayout& track) {
  w.Begin("trak").Begin("mdia");
  if (track.timeScale != 0) WriteTimeHeader(w, "mdhd", track.timeScale, track.duration);
  if (track.handler != nullptr) WriteHandler(w, track.handler);
  w.Begin("minf").Begin("stbl");
  WriteSampleDescription(w, track.format, track.width, track.height);
  WriteSampleSizes(w, track.constantSampleSize, track.sampleCount, track.sampleSizes);
  WriteSampleToChunk(w, track.sampleToChunk);
  WriteChunkOffsets(w, track.chunkOffsets, track.co64);
  w.End().End().End().End();
}

// "moov" with a movie header and the given tracks, in order.
inline void WriteMovieAtom(AtomWriter& w, const std::vector<TrackLayout>& tracks,
                           uint32_t timeScale = 600, uint64_t duration = 0) {
  w.Begin("moov");
  WriteTimeHeader(w, "mvhd", timeScale, duration);
  for (const TrackLayout& track : tracks) WriteTrack(w, track);
  w.End();
}

// A file type atom and a movie atom with the given tracks; their chunk offsets
// point wherever the tracks say.
inline std::vector<uint8_t> BuildMovie(const std::vector<TrackLayout>& tracks,
                                       uint32_t timeScale = 600, uint64_t duration = 0) {
  AtomWriter w;
  w.Begin("ftyp").Type("qt  ").U32(0).Type("qt  ").End();
  WriteMovieAtom(w, tracks, timeScale, duration);
  return w.Take();
}

struct HapMovie {
  const char* format = "Hap1";
  uint16_t width = 64;
  uint16_t height = 32;
  std::vector<std::vector<uint8_t>> samples;  // the frames, in order
  uint32_t samplesPerChunk = 1;
  bool co64 = false;
  uint32_t frameRate = 25;
};

// A whole movie with one video track: its samples stored back to back in a
// media data atom, chunked `samplesPerChunk` at a time, then the movie atom.
inline std::vector<uint8_t> BuildHapMovie(const HapMovie& movie) {
  const uint32_t count = static_cast<uint32_t>(movie.samples.size());
  TrackLayout track;
  track.format = movie.format;
  track.width = movie.width;
  track.height = movie.height;
  track.timeScale = movie.frameRate;
  track.duration = count;
  track.sampleToChunk = {{1, movie.samplesPerChunk, 1}};
  const uint32_t lastChunkSamples = count % movie.samplesPerChunk;
  if (lastChunkSamples != 0 && count > movie.samplesPerChunk) {
    track.sampleToChunk.push_back({count / movie.samplesPerChunk + 1, lastChunkSamples, 1});
  }
  track.co64 = movie.co64;

  AtomWriter w;
  w.Begin("ftyp").Type("qt  ").U32(0).Type("qt  ").End();
  w.Begin("mdat");
  for (uint32_t i = 0; i < count; ++i) {
    if (i % movie.samplesPerChunk == 0) track.chunkOffsets.push_back(w.size());
    track.sampleSizes.push_back(static_cast<uint32_t>(movie.samples[i].size()));
    w.Bytes(movie.samples[i]);
  }
  w.End();
  WriteMovieAtom(w, {track}, movie.frameRate, count);
  return w.Take();
}

}  // namespace orvelle::testing
