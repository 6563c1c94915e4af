// Every size, depth and count that a file can drive in colour spaces and
// functions, each with the reason for its value.
#pragma once

#include <cstddef>

namespace color {

// Spaces inside spaces (Indexed base, Alternate of ICCBased, Separation and
// DeviceN): real files nest two or three deep; more is a reference cycle.
inline constexpr int kMaxSpaceNesting = 8;
// Functions inside functions (stitching, arrays of functions): a cycle past this.
inline constexpr int kMaxFunctionNesting = 8;
// DeviceN allows 32 colourants; functions need no more inputs or outputs.
inline constexpr int kMaxComponents = 32;
// The highest index an Indexed space can have: its samples hold 8 bits at most.
inline constexpr int kMaxIndexedHival = 255;
// ICC profiles of real files stay far below this; a bigger one is not a profile.
inline constexpr size_t kMaxProfileBytes = 32u << 20;
// Lookup tables and PostScript programs are small; bounds what their streams decode to.
inline constexpr size_t kMaxSmallStreamBytes = 4u << 20;
// Values of a sampled function's table (inputs' sizes multiplied, times outputs):
// 16 M floats are 64 MiB, beyond any tint transform a real file carries.
inline constexpr size_t kMaxSampleValues = 16u << 20;
// Multilinear interpolation reads 2^inputs corners; above this many inputs the
// simplex scheme (inputs + 1 corners) takes over.
inline constexpr int kMaxMultilinearInputs = 6;
// PostScript calculator: the operand stack of the standard's implementation limit.
inline constexpr int kMaxCalculatorStack = 100;
// Nesting of `{ }` blocks: programs nest a few if/ifelse levels.
inline constexpr int kMaxCalculatorBlocks = 32;
// Operators of one program. Programs have no loops, so one evaluation runs at
// most this many operators.
inline constexpr size_t kMaxCalculatorOps = 65536;
// Stitching sub-functions, Bounds, array entries: more than any real function.
inline constexpr int kMaxStitchedFunctions = 256;
// Pixels converted per batch, sizing the stack buffers of the conversions.
inline constexpr size_t kBatchPixels = 64;

}  // namespace color
