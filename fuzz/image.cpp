// The parse of a memory image into the data set model.
#include "ImageChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const int model = in.byte() % 2 ? 618 : 612;
    parseAndCheckImage(in.rest(), model);
    return 0;
}
