#pragma once
// Faults a download meets on its way from the meter, planned per block of the
// meter's memory: stray bytes (one chosen so that the block read out of step
// carries a matching checksum) and the meter's pauses inside its blocks.

#include "DownloadServer.h"
#include "logger/ImageDownload.h"

#include <algorithm>
#include <random>
#include <vector>

// A stray byte before block `index` that makes the block read one byte out
// of step carry a matching checksum: only the byte still coming behind it
// tells that it is shifted.
inline QByteArray strayByteWithMatchingChecksum(const QByteArray& image, int index)
{
    const QByteArray payload = image.mid(index * 64, 64);
    const quint8 shiftedSum = ImageDownload::blockChecksum(payload.constData(), 63);
    return QByteArray(1, char(quint8(payload.at(63)) - shiftedSum));
}

// A pause of the meter of `ms` before byte `position` of block `block`.
inline metersim::BlockFault pauseInBlock(int block, int position, int ms)
{
    metersim::BlockFault f;
    f.kind = metersim::BlockFault::Kind::Pause;
    f.block = block;
    f.position = position;
    f.pauseMs = ms;
    return f;
}

// Pauses of 20 to 100 ms at random places inside random blocks, rarely: at
// least `apart` blocks from one another, and never in a block that `spared`
// lists (a block with a fault of its own).
inline std::vector<metersim::BlockFault> rarePauses(unsigned seed, int blocks, int apart,
                                                    const std::vector<int>& spared = {})
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> gap(apart, 2 * apart), position(1, 64), ms(20, 100);
    std::vector<metersim::BlockFault> pauses;
    for (int b = gap(rng) / 2; b < blocks; b += gap(rng)) {
        if (std::find(spared.begin(), spared.end(), b) == spared.end())
            pauses.push_back(pauseInBlock(b, position(rng), ms(rng)));
    }
    return pauses;
}
