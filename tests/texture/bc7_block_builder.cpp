#include "tests/texture/bc7_block_builder.h"

#include "texture/bptc_tables.h"

namespace orvelle::testing {
namespace {

// Per mode: subsets, partition bits, colour bits, alpha bits, p-bits per
// endpoint (1) or per subset (2) or none (0), primary and secondary index bits.
struct ModeLayout {
  unsigned subsets, partitionBits, colourBits, alphaBits, pbitKind, indexBits, secondaryBits;
};
constexpr ModeLayout kLayouts[8] = {
    {3, 4, 4, 0, 1, 3, 0}, {2, 6, 6, 0, 2, 3, 0}, {3, 6, 5, 0, 0, 2, 0}, {2, 6, 7, 0, 1, 2, 0},
    {1, 0, 5, 6, 0, 2, 3}, {1, 0, 7, 8, 0, 2, 2}, {1, 0, 7, 7, 1, 4, 0}, {2, 6, 5, 5, 1, 2, 0},
};

class BitWriter {
 public:
  void Put(unsigned value, unsigned count) {
    for (unsigned i = 0; i < count; ++i, ++position_) {
      if (value >> i & 1) block_[position_ / 8] |= static_cast<uint8_t>(1u << (position_ % 8));
    }
  }
  const Bc7Block& block() const { return block_; }

 private:
  Bc7Block block_{};
  unsigned position_ = 0;
};

bool IsAnchor(const ModeLayout& layout, unsigned partition, unsigned pixel) {
  if (layout.subsets == 1) return pixel == 0;
  const unsigned row = layout.subsets == 3 ? 64 + partition : partition;
  return (kBc7Partitions[row][pixel] & kBc7AnchorFlag) != 0;
}

}  // namespace

Bc7Block PackBc7Block(const Bc7Fields& f) {
  const ModeLayout& layout = kLayouts[f.mode];
  const unsigned endpointCount = 2 * layout.subsets;
  BitWriter writer;
  writer.Put(1u << f.mode, f.mode + 1);
  writer.Put(f.partition, layout.partitionBits);
  if (f.mode == 4 || f.mode == 5) writer.Put(f.rotation, 2);
  if (f.mode == 4) writer.Put(f.selector, 1);
  for (unsigned channel = 0; channel < 3; ++channel) {
    for (unsigned e = 0; e < endpointCount; ++e) writer.Put(f.endpoints[e][channel], layout.colourBits);
  }
  for (unsigned e = 0; e < endpointCount && layout.alphaBits; ++e) {
    writer.Put(f.endpoints[e][3], layout.alphaBits);
  }
  const unsigned pbitCount = layout.pbitKind == 1 ? endpointCount : layout.pbitKind == 2 ? layout.subsets : 0;
  for (unsigned i = 0; i < pbitCount; ++i) writer.Put(f.pbits[i], 1);
  for (unsigned p = 0; p < 16; ++p) {
    writer.Put(f.primary[p], layout.indexBits - IsAnchor(layout, f.partition, p));
  }
  for (unsigned p = 0; p < 16 && layout.secondaryBits; ++p) {
    writer.Put(f.secondary[p], layout.secondaryBits - (p == 0));
  }
  return writer.block();
}

Bc7Block RandomBc7Block(std::mt19937& rng, unsigned mode) {
  Bc7Block block;
  for (uint8_t& byte : block) byte = static_cast<uint8_t>(rng());
  // The mode's zeros, its one, then random bits; mode 8 shifts every bit out.
  block[0] = static_cast<uint8_t>((block[0] << (mode + 1)) | (1u << mode));
  return block;
}

}  // namespace orvelle::testing
