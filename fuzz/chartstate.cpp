// The chart state loader. The input is the payload of a state block; the
// block around it (magic, version, length, checksum) is made to fit, so that
// every mutation reaches the fields themselves.
#include "ChartChecks.h"

#include <QCryptographicHash>
#include <QtEndian>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView payload(reinterpret_cast<const char*>(data), qsizetype(size));
    // Every version the loader reads: older graph files must keep loading.
    for (quint16 version = 1; version <= ChartState::Version; ++version) {
        QByteArray block(10, '\0');
        qToLittleEndian<quint32>(ChartState::Magic, block.data());
        qToLittleEndian<quint16>(version, block.data() + 4);
        qToLittleEndian<quint32>(quint32(size), block.data() + 6);
        block.append(payload);
        block.append(QCryptographicHash::hash(payload, QCryptographicHash::Md5));
        if (const std::optional<ChartState> state = ChartState::deserialize(block))
            checkLoadedState(*state);
    }
    return 0;
}
