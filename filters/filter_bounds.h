// Every bound that a stream's Filter and DecodeParms can drive, in one place.
#pragma once

#include <cstddef>

// Real streams chain two or three filters; a longer array is a hostile file,
// and every stage holds a whole buffer.
inline constexpr int kMaxFilterStages = 32;

// Predictor Colors: the largest DeviceN colour space a reader must accept has
// 32 components.
inline constexpr int kMaxPredictorColors = 32;

// One predictor row of a gigabyte is no picture; the bound keeps every row
// offset well inside size_t and int arithmetic.
inline constexpr size_t kMaxPredictorRowBytes = size_t{1} << 30;

// A whole-stream decoder's first output buffer is the input times this, within
// [kMinFirstOutput, the limit]; it then doubles, so bytes are copied at most once
// more on average.
inline constexpr size_t kFirstOutputRatio = 2;
inline constexpr size_t kMinFirstOutput = size_t{64} << 10;
// A limit up to this size is reserved whole from the start: a caller that
// knows the decoded size (a cross-reference stream's rows) asks for about that
// much, and untouched reserved pages cost nothing.
inline constexpr size_t kWholeReserveLimit = size_t{64} << 20;
