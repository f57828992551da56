// The meter setup: the meter's clock, its recording interval, erasing its
// memory and its firmware version. Like the download, these commands stop
// the live frames until "Q" or "a".
//
//   "rtc"    -> echo of the frame; the next frame is the new clock:
//               year-2000, month, day, hour, minute, second (BCD), 0x08, 0x00
//               -> echo of that frame (a frame that is no clock is handled as usual)
//   "ti"     -> 8 bytes: the meter's year-2000, month, day, hour, minute,
//               second (BCD), 0x00, 0x00 ("tic", the clock confirm, too)
//   "erase"  -> echo; the memory holds no data sets afterwards
//   "int"    -> echo; bytes 4 and 5 (minutes, seconds, BCD) become the
//               recording interval in the memory header
//   "V"      -> 11 bytes: the firmware version, 'V', the model code, 0x03
//   "P", "Q" -> the download's own answers (the first block follows "P")
#include "MemoryImageBuilder.h"
#include "MeterSim.h"

#include <optional>

namespace metersim {

namespace {

constexpr int HeaderLength = MemoryImageBuilder::HeaderLength;

std::optional<int> fromBcd(char byte)
{
    const int high = (std::uint8_t(byte) >> 4) & 0x0F;
    const int low = std::uint8_t(byte) & 0x0F;
    if (high > 9 || low > 9)
        return std::nullopt;
    return high * 10 + low;
}

QDateTime meterClock(MeterSim& s)
{
    return QDateTime::currentDateTime().addMSecs(s.meter().clockOffsetMs);
}

QByteArray clockReply(const QDateTime& clock)
{
    const QDate d = clock.date();
    const QTime t = clock.time();
    QByteArray reply(8, '\0');
    reply[0] = char(MemoryImageBuilder::bcd(d.year() - 2000));
    reply[1] = char(MemoryImageBuilder::bcd(d.month()));
    reply[2] = char(MemoryImageBuilder::bcd(d.day()));
    reply[3] = char(MemoryImageBuilder::bcd(t.hour()));
    reply[4] = char(MemoryImageBuilder::bcd(t.minute()));
    reply[5] = char(MemoryImageBuilder::bcd(t.second()));
    return reply;
}

// The set-clock frame's date and time, or nothing when the frame is no clock.
std::optional<QDateTime> clockInFrame(const QByteArray& frame)
{
    if (frame.size() != 10 || std::uint8_t(frame[7]) != 0x08)
        return std::nullopt;
    int field[6];
    for (int i = 0; i < 6; ++i) {
        const auto value = fromBcd(frame[1 + i]);
        if (!value)
            return std::nullopt;
        field[i] = *value;
    }
    const QDateTime clock(QDate(2000 + field[0], field[1], field[2]), QTime(field[3], field[4], field[5]));
    if (!clock.isValid())
        return std::nullopt;
    return clock;
}

// The memory with its header kept (interval, parameters) but no data sets.
QByteArray erasedMemory(const QByteArray& image)
{
    QByteArray header = image.left(HeaderLength);
    header.append(QByteArray(HeaderLength - header.size(), '\0'));
    header[9] = header[10] = 0;
    header[11] = 0;
    header[12] = char(HeaderLength >> 8);
    header[13] = char(HeaderLength & 0xFF);
    return header;  // the download pads it to whole blocks
}

// Every setup command is a command-mode command: no live frames meanwhile.
void enterCommandMode(MeterSim& s)
{
    s.keepAlive();
    s.setDownloading(true);
}

} // namespace

void installSetupCommands(MeterSim& sim)
{
    sim.registerHandler(QByteArray("rtc"), [](MeterSim& s, const QByteArray& frame) {
        enterCommandMode(s);
        s.send(frame);
        s.expectNextFrame([](MeterSim& m, const QByteArray& next) {
            const auto clock = clockInFrame(next);
            if (!clock)
                return false;
            m.meter().clockOffsetMs = QDateTime::currentDateTime().msecsTo(*clock);
            m.send(next);
            return true;
        });
    });
    sim.registerHandler(QByteArray("ti"), [](MeterSim& s, const QByteArray&) {
        enterCommandMode(s);
        s.send(clockReply(meterClock(s)));
    });
    sim.registerHandler(QByteArray("erase"), [](MeterSim& s, const QByteArray& frame) {
        enterCommandMode(s);
        s.downloadServer().setImage(erasedMemory(s.downloadServer().image()));
        s.send(frame);
    });
    sim.registerHandler(QByteArray("int"), [](MeterSim& s, const QByteArray& frame) {
        enterCommandMode(s);
        QByteArray image = s.downloadServer().image();
        if (image.size() >= 16 && fromBcd(frame[4]) && fromBcd(frame[5])) {
            image[14] = frame[4];
            image[15] = frame[5];
            s.downloadServer().setImage(image);
        }
        s.send(frame);
    });
    sim.registerHandler('V', [](MeterSim& s, const QByteArray&) {
        enterCommandMode(s);
        QByteArray reply(11, '\0');
        reply[0] = char(s.meter().firmwareVersion);
        reply[1] = 'V';
        reply.replace(2, 3, QByteArray::number(s.options().model));
        reply[10] = 0x03;
        s.send(reply);
    });
}

} // namespace metersim
