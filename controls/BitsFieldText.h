// Bits texts are 8-bit strings; a bits field shows Unicode. A character as the user sees
// it is one character of the bits text: Latin-1 ones keep their code, any other becomes
// a substitute that is neither '0', '1' nor a blank.
#pragma once

#include <QByteArray>
#include <QString>

class QLineEdit;

namespace controls {

inline constexpr char kSubstituteCharacter = '\x1A';

QByteArray ToBitsText(const QString& fieldText);
QString FromBitsText(const QByteArray& bitsText);

// Puts a text into a field without raising its change notification, keeping the caret
// where the user was typing.
void SetFieldTextQuietly(QLineEdit* field, const QByteArray& bitsText);

}  // namespace controls
