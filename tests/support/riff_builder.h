// Writes AVI files in code: RIFF chunks and the Hap AVI layouts that tests
// and fuzz seeds need, including those that ffmpeg does not write.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace orvelle::testing {

// Appends little-endian fields and nested chunks to one byte vector; each
// chunk's size is filled in, and an odd body padded, when it is closed.
class RiffWriter {
 public:
  // A chunk; with a list type, a RIFF or LIST chunk of that type.
  RiffWriter& Begin(const char* id, const char* listType = nullptr) {
    Type(id);
    open_.push_back(bytes_.size());
    U32(0);
    if (listType != nullptr) Type(listType);
    return *this;
  }

  RiffWriter& End() {
    const uint64_t sizeAt = open_.back();
    open_.pop_back();
    Put(sizeAt, bytes_.size() - sizeAt - 4, 4);
    if (bytes_.size() % 2 != 0) bytes_.push_back(0);
    return *this;
  }

  RiffWriter& Chunk(const char* id, const std::vector<uint8_t>& body) {
    return Begin(id).Bytes(body).End();
  }

  RiffWriter& U8(uint8_t value) { return Append(value, 1); }
  RiffWriter& U16(uint16_t value) { return Append(value, 2); }
  RiffWriter& U32(uint32_t value) { return Append(value, 4); }
  RiffWriter& U64(uint64_t value) { return Append(value, 8); }
  RiffWriter& Type(const char* type) {
    bytes_.insert(bytes_.end(), type, type + 4);
    return *this;
  }
  RiffWriter& Bytes(const std::vector<uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  RiffWriter& Zeros(uint64_t count) {
    bytes_.resize(bytes_.size() + count);
    return *this;
  }

  uint64_t size() const { return bytes_.size(); }
  // Overwrites a field written earlier.
  void Put(uint64_t at, uint64_t value, int width) {
    for (int i = 0; i < width; ++i, value >>= 8) bytes_[at + i] = static_cast<uint8_t>(value);
  }

  std::vector<uint8_t> Take() {
    if (!open_.empty()) std::abort();
    return std::move(bytes_);
  }

 private:
  RiffWriter& Append(uint64_t value, int width) {
    bytes_.resize(bytes_.size() + width);
    Put(bytes_.size() - width, value, width);
    return *this;
  }

  std::vector<uint8_t> bytes_;
  std::vector<uint64_t> open_;  // where each open chunk's size goes
};

// Which index a built AVI file carries.
enum class AviIndex {
  Relative,  // idx1, offsets from the 'movi' list type
  Absolute,  // idx1, file offsets
  OpenDml,   // a super index in the stream list and one ix## chunk per movie
             // list, no idx1
  None,      // the reader must scan the movie data
};

struct HapAvi {
  const char* format = "Hap1";
  uint32_t width = 64;
  int32_t height = 32;  // negative: a top-down bitmap
  std::vector<std::vector<uint8_t>> samples;
  AviIndex index = AviIndex::Relative;
  bool audioFirst = false;     // stream 0 is audio, with an odd-sized chunk before each frame
  bool recGroups = false;      // each frame in a LIST 'rec '
  uint32_t framesPerRiff = 0;  // when not 0, later frames go to RIFF 'AVIX' extensions
  uint32_t frameRate = 25;
};

namespace avi_detail {

inline void WriteStreamHeader(RiffWriter& w, const char* type, const char* handler, uint32_t rate,
                              uint32_t length) {
  w.Begin("strh").Type(type).Type(handler).U32(0).U32(0).U32(
      0);  // flags, priority, language, initial frames
  w.U32(1).U32(rate).U32(0).U32(length).U32(0).U32(0xFFFFFFFF).U32(0).Zeros(8).End();
}

struct Segment {
  std::vector<uint32_t> frames;  // sample numbers
  uint64_t moviList = 0;         // offset of its 'movi' list type
  std::vector<uint64_t> chunks;  // offset of each frame's chunk header
};

// One movie list: for each frame, an audio chunk if asked, then the frame, in a
// 'rec ' group if asked; with an OpenDML index, an ix00 chunk at the end.
inline void WriteMovieList(RiffWriter& w, const HapAvi& avi, Segment* segment,
                           std::vector<uint64_t>* standardIndexes) {
  const char* frameId = avi.audioFirst ? "01dc" : "00dc";
  w.Begin("LIST", "movi");
  segment->moviList = w.size() - 4;
  for (uint32_t sample : segment->frames) {
    if (avi.recGroups) w.Begin("LIST", "rec ");
    if (avi.audioFirst) w.Chunk("00wb", {1, 2, 3, 4, 5});
    segment->chunks.push_back(w.size());
    w.Chunk(frameId, avi.samples[sample]);
    if (avi.recGroups) w.End();
  }
  if (avi.index == AviIndex::OpenDml) {
    standardIndexes->push_back(w.size());
    w.Begin(avi.audioFirst ? "ix01" : "ix00").U16(2).U8(0).U8(1);  // frame entries of chunks
    w.U32(static_cast<uint32_t>(segment->frames.size())).Type(frameId);
    w.U64(segment->moviList).U32(0);
    for (size_t i = 0; i < segment->frames.size(); ++i) {
      w.U32(static_cast<uint32_t>(segment->chunks[i] + 8 - segment->moviList));
      w.U32(static_cast<uint32_t>(avi.samples[segment->frames[i]].size()));
    }
    w.End();
  }
  w.End();
}

}  // namespace avi_detail

// A whole AVI file with one Hap video stream (after an audio stream, if asked)
// holding `samples` in order.
inline std::vector<uint8_t> BuildHapAvi(const HapAvi& avi) {
  using avi_detail::Segment;
  const uint32_t count = static_cast<uint32_t>(avi.samples.size());
  const uint32_t perRiff = avi.framesPerRiff != 0 ? avi.framesPerRiff : (count != 0 ? count : 1);
  std::vector<Segment> segments;
  for (uint32_t i = 0; i < count || segments.empty(); ++i) {
    if (i % perRiff == 0) segments.emplace_back();
    if (i < count) segments.back().frames.push_back(i);
  }

  RiffWriter w;
  w.Begin("RIFF", "AVI ").Begin("LIST", "hdrl");
  w.Begin("avih").U32(1000000 / avi.frameRate).Zeros(12).U32(count).U32(0);
  w.U32(avi.audioFirst ? 2 : 1).U32(0).U32(avi.width).U32(static_cast<uint32_t>(avi.height));
  w.Zeros(16).End();
  if (avi.audioFirst) {
    w.Begin("LIST", "strl");
    avi_detail::WriteStreamHeader(w, "auds", "\1\0\0\0", 44100, count * 1764);
    w.Begin("strf").U16(1).U16(1).U32(44100).U32(88200).U16(2).U16(16).End();
    w.End();
  }
  w.Begin("LIST", "strl");
  avi_detail::WriteStreamHeader(w, "vids", avi.format, avi.frameRate, count);
  w.Begin("strf").U32(40).U32(avi.width).U32(static_cast<uint32_t>(avi.height)).U16(1).U16(24);
  w.Type(avi.format).U32(avi.width * 4).Zeros(16).End();
  uint64_t superEntries = 0;
  if (avi.index == AviIndex::OpenDml) {
    w.Begin("indx").U16(4).U8(0).U8(0).U32(static_cast<uint32_t>(segments.size()));
    w.Type(avi.audioFirst ? "01dc" : "00dc").Zeros(12);
    superEntries = w.size();
    w.Zeros(16 * segments.size()).End();
  }
  w.End().End();
  w.Chunk("JUNK", {0, 0, 0});  // odd-sized: a pad byte follows

  std::vector<uint64_t> standardIndexes;
  avi_detail::WriteMovieList(w, avi, &segments[0], &standardIndexes);
  if (avi.index == AviIndex::Relative || avi.index == AviIndex::Absolute) {
    const uint64_t base = avi.index == AviIndex::Relative ? segments[0].moviList : 0;
    w.Begin("idx1");
    for (size_t i = 0; i < segments[0].frames.size(); ++i) {
      // Each group, audio chunk and frame as the file holds them, before it.
      const uint64_t frame = segments[0].chunks[i] - base;
      const uint64_t audio = frame - (avi.audioFirst ? 14 : 0);
      if (avi.recGroups) w.Type("rec ").U32(1).U32(uint32_t(audio - 12)).U32(0);
      if (avi.audioFirst) w.Type("00wb").U32(0x10).U32(uint32_t(audio)).U32(5);
      w.Type(avi.audioFirst ? "01dc" : "00dc").U32(0x10).U32(uint32_t(frame));
      w.U32(static_cast<uint32_t>(avi.samples[segments[0].frames[i]].size()));
    }
    w.End();
  }
  w.End();
  for (size_t s = 1; s < segments.size(); ++s) {
    w.Begin("RIFF", "AVIX");
    avi_detail::WriteMovieList(w, avi, &segments[s], &standardIndexes);
    w.End();
  }
  for (size_t s = 0; s < standardIndexes.size(); ++s) {
    w.Put(superEntries + 16 * s, standardIndexes[s], 8);
    w.Put(superEntries + 16 * s + 8, 8 + 24 + 8 * segments[s].frames.size(), 4);
    w.Put(superEntries + 16 * s + 12, segments[s].frames.size(), 4);
  }
  return w.Take();
}

}  // namespace orvelle::testing
