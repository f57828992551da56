#include "link/AdapterIds.h"

#include <array>
#include <utility>

namespace AdapterIds {

namespace {

struct Adapter {
    const char* id;
    const char* chip;
    bool brltty;  // braille displays are built on this chip with its stock id
};

// Which ids brltty claims follows the USB list of its udev rules
// (85-brltty.rules, lines "ENV{PRODUCT}==\"1a86/7523/*\", ...
// ENV{BRLTTY_BRAILLE_DRIVER}=..."): FT232R 0403:6001 for several displays,
// CP210x 10c4:ea60 and CP2110 10c4:ea80 with the stock manufacturer strings,
// and CH340 1a86:7523 for a Baum eReader. brltty 6.4 (Ubuntu 22.04) claims
// every CH340; later releases only one behind the eReader's own hub
// (1a40:0101), but those systems are still many.

constexpr std::array<Adapter, 12> Adapters{{
    {"0403:6001", "FT232R", true},
    {"0403:6010", "FT2232", false},
    {"0403:6011", "FT4232", false},
    {"0403:6014", "FT232H", false},
    {"0403:6015", "FT-X", false},
    {"1a86:7523", "CH340", true},
    {"1a86:5523", "CH341", false},
    {"1a86:55d4", "CH9102", false},
    {"10c4:ea60", "CP210x", true},
    {"10c4:ea80", "CP2110", true},
    {"067b:2303", "PL2303", false},
    {"067b:23a3", "PL2303GS", false},
}};

const Adapter* find(const QString& usbId)
{
    for (const Adapter& a : Adapters) {
        if (usbId.compare(QLatin1String(a.id), Qt::CaseInsensitive) == 0)
            return &a;
    }
    return nullptr;
}

} // namespace

QString chipOf(const QString& usbId)
{
    const Adapter* a = find(usbId);
    return a ? QString::fromLatin1(a->chip) : QString();
}

bool claimedByBrltty(const QString& usbId)
{
    const Adapter* a = find(usbId);
    return a && a->brltty;
}

} // namespace AdapterIds
