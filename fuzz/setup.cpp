// The meter's replies to the setup commands: its clock, the clock confirm
// that feeds the success message, and the first block of its memory; and the
// interval as typed by the user.
#include "FuzzInput.h"
#include "setup/SetupReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QByteArray clockReply = in.take(in.byte() % 12);
    if (const auto clock = SetupReplies::meterClock(clockReply)) {
        FUZZ_CHECK(clock->isValid());
        FUZZ_CHECK(clock->date().year() >= 2000 && clock->date().year() <= 2099);
    }
    FUZZ_CHECK(!SetupReplies::clockUpdatedMessage(clockReply).isEmpty());

    const QString minutes = QString::fromUtf8(in.take(in.byte() % 4));
    const QString seconds = QString::fromUtf8(in.take(in.byte() % 4));
    if (const auto interval = SetupReplies::parseInterval(minutes, seconds)) {
        for (std::uint8_t b : {interval->minutes, interval->seconds})
            FUZZ_CHECK((b >> 4) <= 9 && (b & 0x0F) <= 9);
    }

    const SetupReplies::FirstBlock block = SetupReplies::readFirstBlock(in.rest());
    if (!block.memoryAvailable.isEmpty())
        FUZZ_CHECK(block.memoryAvailable.toInt() >= 0);
    return 0;
}
