#include "Leds.h"

#include <iterator>

namespace codec {

QStringList LedsOn(int bits)
{
    QStringList names;
    for (int bit = 0; bit < int(std::size(kLedNames)); ++bit) {
        if (bits & (1 << bit))
            names << QString::fromLatin1(kLedNames[bit]);
    }
    return names;
}

LedsRead ReadLedNames(const QStringList& names)
{
    if (names.size() == 1 && names.front().compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return {0, {}};
    int bits = 0;
    for (const QString& name : names) {
        int bit = 0;
        while (bit < int(std::size(kLedNames)) && name.compare(QLatin1String(kLedNames[bit]), Qt::CaseInsensitive) != 0)
            ++bit;
        if (bit == int(std::size(kLedNames)))
            return {std::nullopt, QStringLiteral("'%1' is not an LED: the LEDs are %2, or none").arg(name, LedsOn(0x3F).join(QLatin1Char(' ')))};
        bits |= 1 << bit;
    }
    return {bits, {}};
}

}  // namespace codec
