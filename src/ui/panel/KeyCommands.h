#pragma once
// The key commands of the front panel: each key sends its letter in the
// meter's 10-byte command frame (0x02, letter, seven 0x00, 0x03).

#include <QByteArray>

namespace KeyCommands {

constexpr char Hold = 'H';
constexpr char Rec = 'E';
constexpr char CelsiusFahrenheit = 'C';
constexpr char T1MinusT2 = 'T';
constexpr char NextMaxMinAvgMode = 'M';    // MAX/MIN/AVG, short press
constexpr char LeaveMaxMinAvgModes = 'N';  // MAX/MIN/AVG, long press

inline QByteArray frame(char letter)
{
    QByteArray bytes(10, '\0');
    bytes[0] = '\x02';
    bytes[1] = letter;
    bytes[9] = '\x03';
    return bytes;
}

} // namespace KeyCommands
