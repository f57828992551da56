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
    std::vector<SendPause> pauses;  // offsets in `out`
    if (pauseEvery > 0 && (index + 1) % pauseEvery == 0)
        pauses.push_back({pauseAt, pauseMs});
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
        case BlockFault::Kind::Pause:
            pauses.push_back({f.position, f.pauseMs});
            break;
        }
    }
    if (silenceAfter)
        state = State::Silent;
    for (SendPause& p : pauses) {
        if (p.at > 0 && p.at < out.size())  // inside the block only: before it, it is a late answer
            lastPauses.push_back({int(before.size()) + p.at, p.ms});
    }
    std::sort(lastPauses.begin(), lastPauses.end(), [](const SendPause& a, const SendPause& b) { return a.at < b.at; });
    return before + out;
}

QByteArray DownloadServer::onCommand(char letter)
{
    commandsSeen.append(letter);
    lastDelayMs = 0;
    lastPauses.clear();
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
        const QByteArray first = sendBlock(0);
        for (SendPause& p : lastPauses)
            p.at += int(reply.size());
        return reply + first;
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
    std::vector<SendPause> pauses;
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
            const QByteArray answer = onCommand(pending.at(1));
            for (const SendPause& p : lastPauses)
                pauses.push_back({int(out.size()) + p.at, p.ms});
            out += answer;
            delayMs = std::max(delayMs, lastDelayMs);
            pending.remove(0, 10);
        } else {
            pending.remove(0, 1);  // not a frame: look for the next start byte
        }
    }
    lastDelayMs = delayMs;
    lastPauses = pauses;
    return out;
}

} // namespace metersim
