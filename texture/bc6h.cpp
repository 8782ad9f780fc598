// BC6H (BPTC float) block decoding to half floats, and its display mapping to RGBA8.
#include "texture/bc6h.h"

#include <cstring>
#include <utility>

#include "texture/block_bytes.h"
#include "texture/bptc_tables.h"
#include "texture/code_paths.h"
#include "texture/half_display.h"
#include "texture/half_float.h"
#include "texture/kernels.h"

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

// F(comp, a, b) is a field holding bits b to a of a component, whichever way
// they run: its first block bit lands on bit b and the following ones step
// towards bit a. So F(R0, 9, 0) is bits 0 to 9 in order, and F(R0, 10, 15) is
// a reversed field, its block bits landing on bits 15, 14, ... 10.
constexpr FieldRun F(Component comp, int a, int b) {
  return a >= b ? FieldRun{comp, uint8_t(b), uint8_t(a - b + 1), 0}
                : FieldRun{comp, uint8_t(b), uint8_t(b - a + 1), 1};
}
constexpr FieldRun F(Component comp, int bit) { return F(comp, bit, bit); }

constexpr int kMaxRuns = 24;  // the longest layout has 23 fields; a zero count ends a list

// Endpoint fields of the 14 modes, numbered as ReadMode numbers them, after
// the mode bits.
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

// Modes 9 and 10 store their endpoints whole; all the others store endpoints
// 1 to 3 as deltas from endpoint 0.
constexpr bool StoresDeltas(int mode) { return mode != 9 && mode != 10; }

// The mode of a block, from its low bits: the 2-bit codes 0 and 1 are modes 0
// and 1; of the 5-bit codes, those whose low bits are binary 10 (2, 6, ... 30)
// are modes 2 to 9 and those ending in 11 (3, 7, 11, 15) modes 10 to 13; the
// four codes left (19, 23, 27, 31) are reserved: -1.
int ReadMode(uint64_t lo) {
  if ((lo & 2) == 0) return int(lo & 3);
  const uint32_t code = uint32_t(lo & 0x1F);
  if ((code & 3) == 2) return 2 + int(code >> 2);  // codes 2, 6, ... 30
  const int index = kFirstOneRegionMode + int(code >> 2);  // codes 3, 7, 11, 15
  return index < kModeCount ? index : -1;
}

constexpr int ModeBits(int mode) { return mode < 2 ? 2 : 5; }

// The block bit where field run `run` of a mode starts.
constexpr int RunStart(int mode, int run) {
  int start = ModeBits(mode);
  for (int i = 0; i < run; ++i) start += kModeFields[mode][i].count;
  return start;
}

// The indices fill the top of the block: 16 of 3 bits less the two anchor bits
// after the partition number, or 16 of 4 bits less one after the endpoints.
constexpr int kTwoRegionIndexStart = 128 - 46;
constexpr int kOneRegionIndexStart = 128 - 63;
static_assert(RunStart(0, kMaxRuns - 1) + 5 == kTwoRegionIndexStart);
static_assert(RunStart(kModeCount - 1, kMaxRuns - 1) == kOneRegionIndexStart);

// Bits [first, first + count) of the block, count at most 16.
inline uint32_t Bits(uint64_t lo, uint64_t hi, int first, int count) {
  uint64_t v;
  if (first >= 64) {
    v = hi >> (first - 64);
  } else if (first + count <= 64) {
    v = lo >> first;
  } else {
    v = lo >> first | hi << (64 - first);
  }
  return uint32_t(v) & ((1u << count) - 1);
}

// One run of a mode's endpoint fields, from its known place in the block.
template <int Mode, int Run>
void ReadRun(uint64_t lo, uint64_t hi, uint32_t raw[12]) {
  constexpr FieldRun run = kModeFields[Mode][Run];
  if constexpr (run.count != 0) {
    const uint32_t bits = Bits(lo, hi, RunStart(Mode, Run), run.count);
    if constexpr (run.reversed) {
      for (int i = 0; i < run.count; ++i) raw[run.comp] |= ((bits >> i) & 1u) << (run.first - i);
    } else {
      raw[run.comp] |= bits << run.first;
    }
  }
}

template <int Mode, size_t... Runs>
void ReadRuns(uint64_t lo, uint64_t hi, uint32_t raw[12], std::index_sequence<Runs...>) {
  (ReadRun<Mode, Runs>(lo, hi, raw), ...);
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

// A decoded block as a palette of 16 entries (in the two-region modes region
// 0's eight, then region 1's), each channel's halves together, and the
// palette entry of each pixel.
struct Tile {
  uint16_t halves[3][16];
  uint8_t entries[16];
};

// Everything of one mode but the interpolation, its field layout and
// precisions known at compile time.
template <int Mode>
void DecodeEndpointsOfMode(uint64_t lo, uint64_t hi, int isSigned, Bc6hEndpoints& endpoints,
                           uint8_t entries[16]) {
  uint32_t raw[12] = {};
  ReadRuns<Mode>(lo, hi, raw, std::make_index_sequence<kMaxRuns>());
  constexpr bool twoRegions = Mode < kFirstOneRegionMode;
  constexpr int endpointCount = twoRegions ? 4 : 2;
  constexpr int endpointBits = kEndpointBits[Mode];
  constexpr int deltaBits[3] = {kDeltaBitsR[Mode], kDeltaBitsG[Mode], kDeltaBitsB[Mode]};
  constexpr bool transformed = StoresDeltas(Mode);
  constexpr uint32_t endpointMask = (uint32_t(1) << endpointBits) - 1;

  endpoints.twoRegions = twoRegions;
  for (int c = 0; c < 3; ++c) {
    const int32_t base = isSigned ? SignExtend(raw[c], endpointBits) : int32_t(raw[c]);
    endpoints.value[0][c] = base;
    for (int e = 1; e < endpointCount; ++e) {
      const uint32_t stored = raw[3 * e + c];
      int32_t value =
          (transformed || isSigned) ? SignExtend(stored, deltaBits[c]) : int32_t(stored);
      if (transformed) {
        const uint32_t sum = (uint32_t(base) + uint32_t(value)) & endpointMask;
        value = isSigned ? SignExtend(sum, endpointBits) : int32_t(sum);
      }
      endpoints.value[e][c] = value;
    }
  }
  for (int e = 0; e < endpointCount; ++e) {
    for (int32_t& value : endpoints.value[e]) {
      value = isSigned ? UnquantizeSigned(value, endpointBits)
                       : UnquantizeUnsigned(value, endpointBits);
    }
  }

  // An index at an anchor pixel (pixel 0, and region 1's in a partition) has one bit fewer.
  const uint32_t partition = twoRegions ? Bits(lo, hi, RunStart(Mode, kMaxRuns - 1), 5) : 0;
  const Bc7PartitionEntry* regions = kBc7Partitions[partition];
  uint64_t indices = hi >> ((twoRegions ? kTwoRegionIndexStart : kOneRegionIndexStart) - 64);
  constexpr int indexBits = twoRegions ? 3 : 4;
  for (int pixel = 0; pixel < 16; ++pixel) {
    const bool anchor = twoRegions ? (regions[pixel] & kBc7AnchorFlag) != 0 : pixel == 0;
    const int bits = anchor ? indexBits - 1 : indexBits;
    const uint32_t index = uint32_t(indices & ((uint64_t(1) << bits) - 1));
    indices >>= bits;
    entries[pixel] =
        uint8_t(twoRegions ? index | uint32_t(regions[pixel] & kBc7SubsetMask) << 3 : index);
  }
}

template <size_t... Modes>
void DecodeEndpointsOfAnyMode(int mode, uint64_t lo, uint64_t hi, int isSigned,
                              Bc6hEndpoints& endpoints, uint8_t entries[16],
                              std::index_sequence<Modes...>) {
  using Decoder = void (*)(uint64_t, uint64_t, int, Bc6hEndpoints&, uint8_t*);
  static constexpr Decoder kDecoders[] = {DecodeEndpointsOfMode<int(Modes)>...};
  kDecoders[mode](lo, hi, isSigned, endpoints, entries);
}

// Palette entry e of each channel interpolates between its region's endpoints.
// For display a negative value becomes +0, which shows as 0 like any negative.
void InterpolateBc6h(PlainCode, const Bc6hEndpoints& endpoints, int isSigned, bool display,
                     uint16_t halves[3][16]) {
  const int32_t* weights = endpoints.twoRegions ? kBptcWeights3 : kBptcWeights4;
  for (int c = 0; c < 3; ++c) {
    for (int entry = 0; entry < 16; ++entry) {
      const int region = endpoints.twoRegions ? entry >> 3 : 0;
      const int32_t w = weights[endpoints.twoRegions ? entry & 7 : entry];
      const int32_t e0 = endpoints.value[2 * region][c];
      const int32_t e1 = endpoints.value[2 * region + 1][c];
      // Arithmetic shift: negative sums round towards minus infinity.
      int32_t t = (w * e1 + (64 - w) * e0 + 32) >> 6;
      if (display && t < 0) t = 0;
      halves[c][entry] = isSigned ? FinishSigned(t) : FinishUnsigned(t);
    }
  }
}

// The reserved modes give 48 zero halves.
template <typename Code>
void DecodeTile(const uint8_t* block, int isSigned, bool display, Tile& tile) {
  const uint64_t lo = LoadLe64(block);
  const int mode = ReadMode(lo);
  if (mode < 0) {
    std::memset(&tile, 0, sizeof tile);
    return;
  }
  Bc6hEndpoints endpoints;
  DecodeEndpointsOfAnyMode(mode, lo, LoadLe64(block + 8), isSigned, endpoints, tile.entries,
                           std::make_index_sequence<kModeCount>());
  InterpolateBc6h(Code{}, endpoints, isSigned, display, tile.halves);
}

}  // namespace

template <typename Code>
void DecodeBc6hBlockIn(const uint8_t* block, uint16_t* halves, int32_t rowStride, int isSigned) {
  Tile tile;
  DecodeTile<Code>(block, isSigned, false, tile);
  for (int pixel = 0; pixel < 16; ++pixel) {
    uint16_t* out = halves + (pixel >> 2) * rowStride + 3 * (pixel & 3);
    for (int c = 0; c < 3; ++c) out[c] = tile.halves[c][tile.entries[pixel]];
  }
}

// Each channel of each palette entry is mapped through the table of display
// bytes once; the negatives are zeros by now.
template <typename Code>
void DecodeBc6hBlockRgba8In(const uint8_t* block, int isSigned, uint8_t* rgba) {
  Tile tile;
  DecodeTile<Code>(block, isSigned, true, tile);
  uint32_t pixels[16];
  for (int entry = 0; entry < 16; ++entry) {
    pixels[entry] = PackRgba(kHalfDisplayBytes[tile.halves[0][entry]],
                             kHalfDisplayBytes[tile.halves[1][entry]],
                             kHalfDisplayBytes[tile.halves[2][entry]], 255);
  }
  for (int row = 0; row < 4; ++row) {
    const uint8_t* entries = tile.entries + 4 * row;
    const uint32_t rowPixels[4] = {pixels[entries[0]], pixels[entries[1]], pixels[entries[2]],
                                   pixels[entries[3]]};
    StoreRow(Code{}, rgba + 16 * row, rowPixels);
  }
}

#define ORVELLE_INSTANTIATE(Code)                                                 \
  template void DecodeBc6hBlockIn<Code>(const uint8_t*, uint16_t*, int32_t, int); \
  template void DecodeBc6hBlockRgba8In<Code>(const uint8_t*, int, uint8_t*);
ORVELLE_FOR_EACH_DECODER_BUILD(ORVELLE_INSTANTIATE)
#undef ORVELLE_INSTANTIATE

void DecodeBc6hBlock(const uint8_t* block, uint16_t* halves, int32_t rowStride, int isSigned) {
  ActiveCodePath().decoders.bc6hHalves(block, halves, rowStride, isSigned);
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
  ActiveCodePath().decoders.bc6hRgba8(block, isSigned, rgba);
}

}  // namespace orvelle
