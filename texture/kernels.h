// The kernels of every instruction set this build compiles in, for the block
// decoders written once over the build's tag: one header per set, each empty
// where the build leaves its set out.
#pragma once

#include "texture/sse2_kernels.h"
