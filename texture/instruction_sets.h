// The builds a kernel comes in, chosen by overloading on these tags: plain C++,
// and SSE2 where the compiler targets it (always on x86-64). A decoder written
// once as a template over the tag is compiled in both builds; the SSE2 kernels
// of a file sit together in one #if block.
#pragma once

namespace orvelle {

struct PlainCode {};
struct Sse2Code {};

// The build behind the public decoders.
#if defined(__SSE2__)
using BaselineCode = Sse2Code;
#else
using BaselineCode = PlainCode;
#endif

}  // namespace orvelle
