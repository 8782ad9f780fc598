// BC6H (BPTC float) block decoding to half floats, and its display mapping to RGBA8.
#include "texture/bc6h.h"

#include "texture/bptc_tables.h"
#include "texture/half_float.h"
#include "texture/srgb.h"

namespace orvelle {
namespace {

constexpr int kModeCount = 14;
constexpr int kTileValues = 48;     // 16 pixels of R, G, B
constexpr int32_t kTileStride = 12;  // values per row of a contiguous tile

// Endpoint components in block order: endpoint e, channel c is component 3e + c.
enum Component : uint8_t { R0, G0, B0, R1, G1, B1, R2, G2, B2, R3, G3, B3 };

// One field of a mode's endpoint header. The next `count` block bits land in
// component `comp`, the first at bit `first`, the rest above it, or below it
// when the field is stored bit-reversed.
struct FieldRun {
  uint8_t comp;
  uint8_t first;
  uint8_t count;
  uint8_t reversed;
};

// Mirrors the layout notation v[a:b]: the first block bit goes to bit b of v
// and the following ones step towards a, so v[10:15] is a reversed field.
constexpr FieldRun F(Component comp, int a, int b) {
  return a >= b ? FieldRun{comp, uint8_t(b), uint8_t(a - b + 1), 0}
                : FieldRun{comp, uint8_t(b), uint8_t(b - a + 1), 1};
}
constexpr FieldRun F(Component comp, int bit) { return F(comp, bit, bit); }

constexpr int kMaxRuns = 24;  // the longest layout has 23 fields; a zero count ends a list

// Endpoint fields of the 14 modes in their standard order, after the mode bits.
// The two-region modes (0 to 9) are followed by the 5-bit partition number.
constexpr FieldRun kModeFields[kModeCount][kMaxRuns] = {
    // 10-bit endpoints, 5/5/5-bit deltas
    {F(G2, 4), F(B2, 4), F(B3, 4), F(R0, 9, 0), F(G0, 9, 0), F(B0, 9, 0), F(R1, 4, 0), F(G3, 4),
     F(G2, 3, 0), F(G1, 4, 0), F(B3, 0), F(G3, 3, 0), F(B1, 4, 0), F(B3, 1), F(B2, 3, 0),
     F(R2, 4, 0), F(B3, 2), F(R3, 4, 0), F(B3, 3)},
    // 7 / 6,6,6
    {F(G2, 5), F(G3, 4), F(G3, 5), F(R0, 6, 0), F(B3, 0), F(B3, 1), F(B2, 4), F(G0, 6, 0),
     F(B2, 5), F(B3, 2), F(G2, 4), F(B0, 6, 0), F(B3, 3), F(B3, 5), F(B3, 4), F(R1, 5, 0),
     F(G2, 3, 0), F(G1, 5, 0), F(G3, 3, 0), F(B1, 5, 0), F(B2, 3, 0), F(R2, 5, 0), F(R3, 5, 0)},
    // 11 / 5,4,4
    {F(R0, 9, 0), F(G0, 9, 0), F(B0, 9, 0), F(R1, 4, 0), F(R0, 10), F(G2, 3, 0), F(G1, 3, 0),
     F(G0, 10), F(B3, 0), F(G3, 3, 0), F(B1, 3, 0), F(B0, 10), F(B3, 1), F(B2, 3, 0),
     F(R2, 4, 0), F(B3, 2), F(R3, 4, 0), F(B3, 3)},
    // 11 / 4,5,4
    {F(R0, 9, 0), F(G0, 9, 0), F(B0, 9, 0), F(R1, 3, 0), F(R0, 10), F(G3, 4), F(G2, 3, 0),
     F(G1, 4, 0), F(G0, 10), F(G3, 3, 0), F(B1, 3, 0), F(B0, 10), F(B3, 1), F(B2, 3, 0),
     F(R2, 3, 0), F(B3, 0), F(B3, 2), F(R3, 3, 0), F(G2, 4), F(B3, 3)},
    // 11 / 4,4,5
    {F(R0, 9, 0), F(G0, 9, 0), F(B0, 9, 0), F(R1, 3, 0), F(R0, 10), F(B2, 4), F(G2, 3, 0),
     F(G1, 3, 0), F(G0, 10), F(B3, 0), F(G3, 3, 0), F(B1, 4, 0), F(B0, 10), F(B2, 3, 0),
     F(R2, 3, 0), F(B3, 1), F(B3, 2), F(R3, 3, 0), F(B3, 4), F(B3, 3)},
    // 9 / 5,5,5
    {F(R0, 8, 0), F(B2, 4), F(G0, 8, 0), F(G2, 4), F(B0, 8, 0), F(B3, 4), F(R1, 4, 0), F(G3, 4),
     F(G2, 3, 0), F(G1, 4, 0), F(B3, 0), F(G3, 3, 0), F(B1, 4, 0), F(B3, 1), F(B2, 3, 0),
     F(R2, 4, 0), F(B3, 2), F(R3, 4, 0), F(B3, 3)},
    // 8 / 6,5,5
    {F(R0, 7, 0), F(G3, 4), F(B2, 4), F(G0, 7, 0), F(B3, 2), F(G2, 4), F(B0, 7, 0), F(B3, 3),
     F(B3, 4), F(R1, 5, 0), F(G2, 3, 0), F(G1, 4, 0), F(B3, 0), F(G3, 3, 0), F(B1, 4, 0),
     F(B3, 1), F(B2, 3, 0), F(R2, 5, 0), F(R3, 5, 0)},
    // 8 / 5,6,5
    {F(R0, 7, 0), F(B3, 0), F(B2, 4), F(G0, 7, 0), F(G2, 5), F(G2, 4), F(B0, 7, 0), F(G3, 5),
     F(B3, 4), F(R1, 4, 0), F(G3, 4), F(G2, 3, 0), F(G1, 5, 0), F(G3, 3, 0), F(B1, 4, 0),
     F(B3, 1), F(B2, 3, 0), F(R2, 4, 0), F(B3, 2), F(R3, 4, 0), F(B3, 3)},
    // 8 / 5,5,6
    {F(R0, 7, 0), F(B3, 1), F(B2, 4), F(G0, 7, 0), F(B2, 5), F(G2, 4), F(B0, 7, 0), F(B3, 5),
     F(B3, 4), F(R1, 4, 0), F(G3, 4), F(G2, 3, 0), F(G1, 4, 0), F(B3, 0), F(G3, 3, 0),
     F(B1, 5, 0), F(B2, 3, 0), F(R2, 4, 0), F(B3, 2), F(R3, 4, 0), F(B3, 3)},
    // 6 / 6,6,6, endpoints stored whole
    {F(R0, 5, 0), F(G3, 4), F(B3, 0), F(B3, 1), F(B2, 4), F(G0, 5, 0), F(G2, 5), F(B2, 5),
     F(B3, 2), F(G2, 4), F(B0, 5, 0), F(G3, 5), F(B3, 3), F(B3, 5), F(B3, 4), F(R1, 5, 0),
     F(G2, 3, 0), F(G1, 5, 0), F(G3, 3, 0), F(B1, 5, 0), F(B2, 3, 0), F(R2, 5, 0), F(R3, 5, 0)},
    // one region: 10 / 10, endpoints stored whole
    {F(R0, 9, 0), F(G0, 9, 0), F(B0, 9, 0), F(R1, 9, 0), F(G1, 9, 0), F(B1, 9, 0)},
    // 11 / 9
    {F(R0, 9, 0), F(G0, 9, 0), F(B0, 9, 0), F(R1, 8, 0), F(R0, 10), F(G1, 8, 0), F(G0, 10),
     F(B1, 8, 0), F(B0, 10)},
    // 12 / 8
    {F(R0, 9, 0), F(G0, 9, 0), F(B0, 9, 0), F(R1, 7, 0), F(R0, 10, 11), F(G1, 7, 0),
     F(G0, 10, 11), F(B1, 7, 0), F(B0, 10, 11)},
    // 16 / 4
    {F(R0, 9, 0), F(G0, 9, 0), F(B0, 9, 0), F(R1, 3, 0), F(R0, 10, 15), F(G1, 3, 0),
     F(G0, 10, 15), F(B1, 3, 0), F(B0, 10, 15)},
};

// Endpoint precision and the delta precisions of R, G and B. Where endpoints
// are stored whole the deltas equal the endpoint precision, so that signed
// decoding sign-extends them the same way.
constexpr uint8_t kEndpointBits[kModeCount] = {10, 7, 11, 11, 11, 9, 8, 8, 8, 6, 10, 11, 12, 16};
constexpr uint8_t kDeltaBitsR[kModeCount] = {5, 6, 5, 4, 4, 5, 6, 5, 5, 6, 10, 9, 8, 4};
constexpr uint8_t kDeltaBitsG[kModeCount] = {5, 6, 4, 5, 4, 5, 5, 6, 5, 6, 10, 9, 8, 4};
constexpr uint8_t kDeltaBitsB[kModeCount] = {5, 6, 4, 4, 5, 5, 5, 5, 6, 6, 10, 9, 8, 4};

constexpr int kFirstOneRegionMode = 10;

// All modes but the standard's 10 and 11 store endpoints 1 to 3 as deltas from endpoint 0.
bool StoresDeltas(int mode) { return mode != 9 && mode != 10; }

// The 128-bit block, consumed from its least significant end.
struct BitReader {
  uint64_t lo;
  uint64_t hi;
};

uint64_t LoadLe64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// count is 1 to 10.
uint32_t TakeBits(BitReader& r, int count) {
  const uint32_t v = uint32_t(r.lo & ((uint64_t(1) << count) - 1));
  r.lo = (r.lo >> count) | (r.hi << (64 - count));
  r.hi >>= count;
  return v;
}

// Index 0 to 13 of the standard's list, or -1 for the four reserved codes.
// Consumes the mode bits.
int ReadMode(BitReader& r) {
  if ((r.lo & 2) == 0) return int(TakeBits(r, 2));
  const uint32_t code = TakeBits(r, 5);
  if ((code & 3) == 2) return 2 + int(code >> 2);  // codes 2, 6, ... 30
  const int index = kFirstOneRegionMode + int(code >> 2);  // codes 3, 7, 11, 15
  return index < kModeCount ? index : -1;
}

int32_t SignExtend(uint32_t v, int bits) {
  const uint32_t top = uint32_t(1) << (bits - 1);
  v &= (top << 1) - 1;
  return int32_t(v ^ top) - int32_t(top);
}

int32_t UnquantizeUnsigned(int32_t v, int bits) {
  if (bits >= 15 || v == 0) return v;
  if (v == (int32_t(1) << bits) - 1) return 0xFFFF;
  return int32_t(((uint32_t(v) << 16) | 0x8000u) >> bits);
}

int32_t UnquantizeSigned(int32_t v, int bits) {
  if (bits >= 16) return v;
  const uint32_t magnitude = uint32_t(v < 0 ? -v : v);
  uint32_t unq;
  if (magnitude == 0) {
    unq = 0;
  } else if (magnitude >= (uint32_t(1) << (bits - 1)) - 1) {
    unq = 0x7FFF;
  } else {
    unq = ((magnitude << 15) | 0x4000u) >> (bits - 1);
  }
  return v < 0 ? -int32_t(unq) : int32_t(unq);
}

uint16_t FinishUnsigned(int32_t t) { return uint16_t((uint32_t(t) * 31u) >> 6); }

uint16_t FinishSigned(int32_t t) {
  const uint32_t magnitude = (uint32_t(t < 0 ? -t : t) * 31u) >> 5;
  // A negative t that scales to zero gives +0.0, not -0.0.
  return uint16_t(t < 0 && magnitude != 0 ? 0x8000u | magnitude : magnitude);
}

void ZeroHalves(uint16_t* halves, int32_t rowStride) {
  for (int y = 0; y < 4; ++y) {
    for (int i = 0; i < 12; ++i) halves[y * rowStride + i] = 0;
  }
}

}  // namespace

void DecodeBc6hBlock(const uint8_t* block, uint16_t* halves, int32_t rowStride, int isSigned) {
  BitReader reader{LoadLe64(block), LoadLe64(block + 8)};
  const int mode = ReadMode(reader);
  if (mode < 0) {
    ZeroHalves(halves, rowStride);
    return;
  }

  uint32_t raw[12] = {};
  for (const FieldRun* run = kModeFields[mode]; run->count != 0; ++run) {
    const uint32_t bits = TakeBits(reader, run->count);
    if (!run->reversed) {
      raw[run->comp] |= bits << run->first;
    } else {
      for (int i = 0; i < run->count; ++i) raw[run->comp] |= ((bits >> i) & 1u) << (run->first - i);
    }
  }
  const bool twoRegions = mode < kFirstOneRegionMode;
  const int partition = twoRegions ? int(TakeBits(reader, 5)) : 0;
  const int endpointCount = twoRegions ? 4 : 2;

  const int endpointBits = kEndpointBits[mode];
  const int deltaBits[3] = {kDeltaBitsR[mode], kDeltaBitsG[mode], kDeltaBitsB[mode]};
  const bool transformed = StoresDeltas(mode);
  const uint32_t endpointMask = (uint32_t(1) << endpointBits) - 1;

  int32_t endpoint[12] = {};
  for (int c = 0; c < 3; ++c) {
    const int32_t base = isSigned ? SignExtend(raw[c], endpointBits) : int32_t(raw[c]);
    endpoint[c] = base;
    for (int e = 1; e < endpointCount; ++e) {
      const uint32_t stored = raw[3 * e + c];
      int32_t value = (transformed || isSigned) ? SignExtend(stored, deltaBits[c]) : int32_t(stored);
      if (transformed) {
        const uint32_t sum = (uint32_t(base) + uint32_t(value)) & endpointMask;
        value = isSigned ? SignExtend(sum, endpointBits) : int32_t(sum);
      }
      endpoint[3 * e + c] = value;
    }
  }
  for (int i = 0; i < 3 * endpointCount; ++i) {
    endpoint[i] = isSigned ? UnquantizeSigned(endpoint[i], endpointBits)
                           : UnquantizeUnsigned(endpoint[i], endpointBits);
  }

  // At least 65 bits are consumed, so the indices all sit in the low word now.
  uint64_t indices = reader.lo;
  const Bc7PartitionEntry* regions = kBc7Partitions[partition];
  const int indexBits = twoRegions ? 3 : 4;
  const int32_t* weights = twoRegions ? kBptcWeights3 : kBptcWeights4;
  for (int pixel = 0; pixel < 16; ++pixel) {
    const bool anchor = twoRegions ? (regions[pixel] & kBc7AnchorFlag) != 0 : pixel == 0;
    const int bits = anchor ? indexBits - 1 : indexBits;
    const int32_t w = weights[indices & ((uint64_t(1) << bits) - 1)];
    indices >>= bits;
    const int region = twoRegions ? (regions[pixel] & kBc7SubsetMask) : 0;
    const int32_t* e0 = &endpoint[6 * region];
    const int32_t* e1 = e0 + 3;
    uint16_t* out = halves + (pixel >> 2) * rowStride + 3 * (pixel & 3);
    for (int c = 0; c < 3; ++c) {
      // Arithmetic shift: negative sums round towards minus infinity.
      const int32_t t = (w * e1[c] + (64 - w) * e0[c] + 32) >> 6;
      out[c] = isSigned ? FinishSigned(t) : FinishUnsigned(t);
    }
  }
}

void DecodeBc6hBlockFloat(const uint8_t* block, float* floats, int32_t rowStride, int isSigned) {
  uint16_t halves[kTileValues];
  DecodeBc6hBlock(block, halves, kTileStride, isSigned);
  for (int y = 0; y < 4; ++y) {
    for (int i = 0; i < kTileStride; ++i) floats[i] = HalfToFloat(halves[y * kTileStride + i]);
    floats += rowStride;
  }
}

void DecodeBc6hBlockRgba8(const uint8_t* block, int isSigned, uint8_t* rgba) {
  float linear[kTileValues];
  DecodeBc6hBlockFloat(block, linear, kTileStride, isSigned);
  for (int pixel = 0; pixel < 16; ++pixel) {
    for (int c = 0; c < 3; ++c) {
      float x = linear[3 * pixel + c];
      if (x < 0.0f) x = 0.0f;
      // Reinhard's x / (x + 1) folds the unbounded range into [0, 1).
      rgba[4 * pixel + c] = EncodeSrgb8(x / (x + 1.0f));
    }
    rgba[4 * pixel + 3] = 255;
  }
}

}  // namespace orvelle
