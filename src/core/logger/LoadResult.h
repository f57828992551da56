#pragma once
// The outcome of one load cycle of the data logger, as the Load command and
// the error dialog act on it.

namespace LoadResult {
inline constexpr int Success = 0;
inline constexpr int DataError = 1;    // a data set does not begin with 0xA5 0x5A
inline constexpr int MemoryError = 2;  // more than 4000 data sets
inline constexpr int Incomplete = 3;   // fewer bytes arrived than the transfer length
inline constexpr int BadLength = 4;    // announced length below 256 or above 131,072
inline constexpr int NoData = 6;       // the memory holds no data set
// The image could not be kept in the scratch file (already reported): without
// it the data sets could not be saved, so the load counts as failed.
inline constexpr int ScratchFileError = 7;
// The user stopped the transfer: the data sets that were there stay.
inline constexpr int Cancelled = 8;
} // namespace LoadResult
