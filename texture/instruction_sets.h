// The builds the kernels come in, each named by a tag that its kernels take
// as their first parameter: plain C++ always, and each instruction set this
// build compiles in. Every set's kernels and code path sit in files named for
// it; the decoders written once as templates over the tag are built in each
// set that has decoder kernels (ORVELLE_FOR_EACH_DECODER_BUILD). A build
// configured with ORVELLE_SIMD=OFF (ORVELLE_PLAIN_ONLY) holds only the plain one.
#pragma once

// SSE2 where the compiler targets it: every x86-64, and 32-bit x86 when told to.
#if !defined(ORVELLE_PLAIN_ONLY) && defined(__SSE2__)
#define ORVELLE_BUILDS_SSE2 1
#endif

// The AVX2 writers carry their own target, so they are built on every x86-64
// and chosen only where the processor has AVX2.
#if defined(ORVELLE_BUILDS_SSE2) && defined(__x86_64__) && defined(__GNUC__)
#define ORVELLE_BUILDS_AVX2 1
#endif

namespace orvelle {

struct PlainCode {};
#if defined(ORVELLE_BUILDS_SSE2)
struct Sse2Code {};
#endif
#if defined(ORVELLE_BUILDS_AVX2)
struct Avx2Code {};
#endif

}  // namespace orvelle

// X(tag) for every build the block decoders come in.
#if defined(ORVELLE_BUILDS_SSE2)
#define ORVELLE_FOR_EACH_DECODER_BUILD(X) X(PlainCode) X(Sse2Code)
#else
#define ORVELLE_FOR_EACH_DECODER_BUILD(X) X(PlainCode)
#endif
