#pragma once
// Small helpers shared by the fuzz targets: taking typed pieces off the front
// of the fuzzer's bytes, and a check that stops the run with a message (the
// sanitizers and the replay test both see the abort).

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : bytes(reinterpret_cast<const char*>(data), qsizetype(size))
    {
    }

    bool empty() const { return bytes.isEmpty(); }
    qsizetype size() const { return bytes.size(); }

    // The next byte, or 0 once the input is used up.
    std::uint8_t byte()
    {
        if (bytes.isEmpty())
            return 0;
        const auto b = std::uint8_t(bytes.front());
        bytes = bytes.sliced(1);
        return b;
    }
    // Up to `count` next bytes.
    QByteArray take(qsizetype count)
    {
        const qsizetype n = std::min(count, bytes.size());
        QByteArray out = bytes.first(n).toByteArray();
        bytes = bytes.sliced(n);
        return out;
    }
    // Everything left.
    QByteArray rest() { return take(bytes.size()); }

private:
    QByteArrayView bytes;
};
