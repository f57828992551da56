#pragma once
// The outcome of loading a memory image, from the meter or from a file.

namespace LoadResult {
inline constexpr int Success = 0;
inline constexpr int DataError = 1;    // a data set is damaged or does not fit in the image
inline constexpr int MemoryError = 2;  // more than 4000 data sets
inline constexpr int Incomplete = 3;   // fewer bytes arrived than the image needs
inline constexpr int BadLength = 4;    // the announced length is out of range
inline constexpr int NoData = 6;       // the memory holds no data set
} // namespace LoadResult
