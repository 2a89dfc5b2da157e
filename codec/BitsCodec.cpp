#include "BitsCodec.h"

#include <algorithm>
#include <array>

namespace codec {
namespace {

struct DigitPosition {
    int weight;
    int position;
};

// Most significant first.
constexpr std::array<DigitPosition, 6> kDigits{{
    {32, 7}, {16, 10}, {8, 14}, {4, 17}, {2, 20}, {1, 23},
}};

constexpr char kFixedPrefix[] = " X  X";
constexpr int kFixedPrefixLength = 5;

int CountBlanks(const QByteArray& text)
{
    return static_cast<int>(std::count(text.cbegin(), text.cend(), ' '));
}

bool IsBitCharacter(char c)
{
    return c == '0' || c == '1' || c == ' ';
}

// Puts the fixed characters at positions 0..4 back, and turns every later character that
// is not '0', '1' or a blank into '0'. Length and positions never change.
QByteArray NormaliseBits(const QByteArray& text)
{
    QByteArray repaired = text;
    for (int i = 0; i < kFixedPrefixLength && i < repaired.size(); ++i)
        repaired[i] = kFixedPrefix[i];
    for (int i = kFixedPrefixLength; i < repaired.size(); ++i) {
        if (!IsBitCharacter(repaired.at(i)))
            repaired[i] = '0';
    }
    return repaired;
}

}  // namespace

QByteArray ValueToBits(int code)
{
    QByteArray text(kBitsTemplate);
    // A quotient of exactly 1 marks a set bit; codes outside 0..63 never give one at
    // the top digit and so come out as the template.
    for (const DigitPosition& digit : kDigits) {
        if (code / digit.weight == 1) {
            text[digit.position] = '1';
            code %= digit.weight;
        }
    }
    return text;
}

int BitsToValue(const QByteArray& text)
{
    int value = 0;
    for (const DigitPosition& digit : kDigits) {
        const char c = digit.position < text.size() ? text.at(digit.position) : ' ';
        value += (static_cast<signed char>(c) - '0') * digit.weight;
    }
    return value;
}

bool IsWellFormedBits(const QByteArray& text)
{
    if (text.size() != kBitsLength)
        return false;
    QByteArray layout = text;
    for (const DigitPosition& digit : kDigits) {
        const char c = layout.at(digit.position);
        if (c != '0' && c != '1')
            return false;
        layout[digit.position] = '0';
    }
    return layout == kBitsTemplate;
}

BitsEdit ApplyBitsEditRule(const QByteArray& text, const QByteArray& lastAccepted)
{
    if (text.size() == kBitsLength) {
        QByteArray repaired = NormaliseBits(text);
        if (CountBlanks(repaired) != kBitsBlankCount)
            repaired = lastAccepted;
        return {repaired, repaired};
    }
    if (text.size() == kBitsLength - 1 && CountBlanks(text) == kBitsBlankCount)
        return {text, lastAccepted};
    return {lastAccepted, lastAccepted};
}

}  // namespace codec
