// The live-frame receiver and decoder: bytes from the meter arrive in chunks
// of any size; every frame handed out must be valid and decode within the
// ranges of its fields, and no more than a partial frame may stay behind.
#include "FuzzInput.h"
#include "link/FrameDecoder.h"
#include "link/FrameReceiver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const int model = in.byte() % 2 ? 618 : 612;
    FrameReceiver receiver;
    while (!in.empty()) {
        // A length byte, then that many received bytes.
        receiver.append(in.take(in.byte() % 80 + 1));
        while (const auto frame = receiver.takeFrame()) {
            FUZZ_CHECK(IsValidLiveFrame(frame->data()));
            const LiveFrame decoded = DecodeLiveFrame(frame->data(), model);
            FUZZ_CHECK(decoded.Mode >= 0 && decoded.Mode <= 7);
            FUZZ_CHECK(decoded.Battery >= 0 && decoded.Battery <= 3);
            FUZZ_CHECK((decoded.OverRange & 0x80) == 0);
        }
        FUZZ_CHECK(receiver.size() < LiveFrameFormat::Size);
    }
    return 0;
}
