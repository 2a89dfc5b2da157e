// The bits text: the 25-character form in which a register's current code is shown
// and typed, and the rule that repairs or undoes typing in a bits field.
//
// Texts are 8-bit character strings. Everything here depends on its arguments alone.
#pragma once

#include <QByteArray>

namespace codec {

// The bits text of code 0: bit 7 at position 1, bit 0 at position 23.
inline constexpr char kBitsTemplate[] = " X  X  0  0   0  0  0  0 ";
inline constexpr int kBitsLength = 25;
// Blanks in every well-formed bits text.
inline constexpr int kBitsBlankCount = 17;

// The bits text of a code 0..63; any other code gives the template.
QByteArray ValueToBits(int code);

// The code the six digit positions add up to, each character counting its code less '0'.
// Characters are not validated, so a text that is not a bits text can give any value.
// A digit position past the end of a short text counts as a blank would.
int BitsToValue(const QByteArray& text);

// True for exactly the texts that ValueToBits can produce: the template's layout with
// '0' or '1' at each digit position.
bool IsWellFormedBits(const QByteArray& text);

// What the bits edit rule leaves in a field and as the field's last accepted text.
struct BitsEdit {
    QByteArray text;
    QByteArray lastAccepted;
};

// The bits edit rule for one field: a 25-character text is repaired and accepted when it
// has 17 blanks; a 24-character text with 17 blanks (one digit deleted, about to be
// typed again) is left alone; anything else gives way to the last accepted text.
BitsEdit ApplyBitsEditRule(const QByteArray& text, const QByteArray& lastAccepted);

}  // namespace codec
