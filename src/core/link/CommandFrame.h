#pragma once
// The 10-byte frame in which every command travels to the meter:
// 0x02, the command letter (or a short word such as "rtc"), parameter bytes
// padded with 0x00, and 0x03. There is no checksum.

#include <QByteArray>
#include <array>
#include <cstdint>

class TCommandFrame {
public:
    static constexpr int Size = 10;
    static constexpr std::uint8_t Start = 0x02;
    static constexpr std::uint8_t End = 0x03;

    TCommandFrame() { bytes.fill(0); bytes[0] = Start; bytes[Size - 1] = End; }
    explicit TCommandFrame(char letter) : TCommandFrame() { setLetter(letter); }

    // Overwrites the letter byte; the parameter bytes stay as they are.
    void setLetter(char letter) { bytes[1] = std::uint8_t(letter); }
    char letter() const { return char(bytes[1]); }
    // Puts a command word and its parameters after the start byte, padding with 0x00.
    void setCommand(const QByteArray& wordAndParameters)
    {
        for (int i = 1; i < Size - 1; ++i)
            bytes[i] = i - 1 < wordAndParameters.size() ? std::uint8_t(wordAndParameters[i - 1]) : 0;
    }

    const char* data() const { return reinterpret_cast<const char*>(bytes.data()); }
    QByteArray toByteArray() const { return QByteArray(data(), Size); }
    std::uint8_t operator[](int i) const { return bytes[i]; }

private:
    std::array<std::uint8_t, Size> bytes;
};
