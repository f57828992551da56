#include "DownloadServer.h"

#include <algorithm>

namespace metersim {

DownloadServer::DownloadServer(QByteArray image)
{
    setImage(image);
}

void DownloadServer::setImage(const QByteArray& image)
{
    memory = image;
    if (memory.size() % 64)
        memory.append(QByteArray(64 - memory.size() % 64, char(0xFF)));
    sentCount.assign(std::size_t(blockCount()), 0);
    state = State::Idle;
    current = 0;
    acksSeen = 0;
}

QByteArray DownloadServer::defaultReply(char letter)
{
    QByteArray reply(10, '\0');
    reply[0] = 0x02;
    reply[1] = letter;
    reply[9] = 0x03;
    return reply;
}

QByteArray DownloadServer::block(const QByteArray& image, int index)
{
    QByteArray b = image.mid(index * 64, 64);
    std::uint8_t sum = 0;
    for (char c : b)
        sum += std::uint8_t(c);
    b.append(char(sum));
    return b;
}

int DownloadServer::sendings(int index) const
{
    return sentCount[std::size_t(index)];
}

QByteArray DownloadServer::sendBlock(int index)
{
    if (index >= blockCount())
        return {};
    const int earlier = sendings(index);
    ++sentCount[std::size_t(index)];
    ++blocksSent;
    QByteArray out = block(memory, index);
    QByteArray before;
    bool silenceAfter = false;
    for (const BlockFault& f : faults) {
        if (f.block != index || earlier >= f.times)
            continue;
        switch (f.kind) {
        case BlockFault::Kind::BadChecksum:
            out[64] = char(out.at(64) + 1);
            break;
        case BlockFault::Kind::Stall:
            out.truncate(f.position);
            break;
        case BlockFault::Kind::DropByte:
            out.remove(f.position, 1);
            break;
        case BlockFault::Kind::InsertGarbage:
            before += f.garbage;
            break;
        case BlockFault::Kind::SilenceAfter:
            silenceAfter = true;
            break;
        }
    }
    if (silenceAfter)
        state = State::Silent;
    return before + out;
}

QByteArray DownloadServer::onCommand(char letter)
{
    commandsSeen.append(letter);
    lastDelayMs = 0;
    if (letter == 'y' && lateAckEvery > 0 && ++acksSeen % lateAckEvery == 0)
        lastDelayMs = lateAckMs;
    // A silent meter ignores the block commands; a new handshake wakes it.
    if (state == State::Silent && (letter == 'y' || letter == 'n'))
        return {};
    switch (letter) {
    case 'c':
        return openingReply;
    case 'P': {
        if (!answerStart)
            return {};
        QByteArray reply = defaultReply('P');
        if (startRepliesUsed < startReplies.size())
            reply = startReplies[startRepliesUsed++];
        if (reply.size() < 2 || reply.at(1) != 'P')
            return reply;  // the meter did not start
        state = State::Transferring;
        current = 0;
        return reply + sendBlock(0);
    }
    case 'y':
        if (state != State::Transferring || current + 1 >= blockCount())
            return {};
        return sendBlock(++current);
    case 'n':
        if (state != State::Transferring)
            return {};
        return sendBlock(current);
    case 'Q':
        state = State::Idle;
        return {};
    default:
        return {};
    }
}

QByteArray DownloadServer::onBytes(const QByteArray& bytes)
{
    pending += bytes;
    QByteArray out;
    int delayMs = 0;
    for (;;) {
        const int start = int(pending.indexOf(char(0x02)));
        if (start < 0) {
            pending.clear();
            break;
        }
        pending.remove(0, start);
        if (pending.size() < 10)
            break;
        if (pending.at(9) == char(0x03)) {
            out += onCommand(pending.at(1));
            delayMs = std::max(delayMs, lastDelayMs);
            pending.remove(0, 10);
        } else {
            pending.remove(0, 1);  // not a frame: look for the next start byte
        }
    }
    lastDelayMs = delayMs;
    return out;
}

} // namespace metersim
