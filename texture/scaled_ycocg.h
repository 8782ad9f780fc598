// ConvertScaledYCoCg's arithmetic, written once for one float (the plain
// build) and for registers of floats (the SSE2 and AVX2 writers) through the
// compilers' vector operators, so that every build does the same operations in
// the same order and gives the same bytes. Registers go by reference: a 256-bit
// one passed by value to a function without the AVX target would change the
// calling convention; always inlined, the AVX2 writers compile it as their own.
#pragma once

#if defined(__GNUC__)
#define ORVELLE_YCOCG_KERNEL constexpr __attribute__((always_inline))
#else
#define ORVELLE_YCOCG_KERNEL constexpr
#endif

namespace orvelle {

// Co or Cg (a byte's value) divided by the scale that the scale code (B) names.
template <typename Floats>
ORVELLE_YCOCG_KERNEL void ScaleChroma(const Floats& chroma, const Floats& scaleCode,
                                      Floats& scaled) {
  const Floats scale = 1.0f / (scaleCode * 0.125f + 1.0f);
  scaled = (chroma / 255.0f - 0.5f) * scale;
}

template <typename Floats>
ORVELLE_YCOCG_KERNEL void ScaleLuma(const Floats& luma, Floats& y) {
  y = luma / 255.0f;
}

// Red, green and blue as v * 255 + 0.5, left for the caller to clamp to a byte
// and truncate.
template <typename Floats>
ORVELLE_YCOCG_KERNEL void YCoCgToRgb(const Floats& y, const Floats& co, const Floats& cg,
                                     Floats (&rgb)[3]) {
  rgb[0] = ((y + co) - cg) * 255.0f + 0.5f;
  rgb[1] = (y + cg) * 255.0f + 0.5f;
  rgb[2] = ((y - co) - cg) * 255.0f + 0.5f;
}

}  // namespace orvelle
