#include "BitsFieldText.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QTextBoundaryFinder>

namespace controls {

QByteArray ToBitsText(const QString& fieldText)
{
    QByteArray bits;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, fieldText);
    int start = 0;
    for (int end = graphemes.toNextBoundary(); end != -1; end = graphemes.toNextBoundary()) {
        const QStringView character = QStringView(fieldText).mid(start, end - start);
        const bool latin1 = character.size() == 1 && character.at(0).unicode() <= 0xFF;
        bits.append(latin1 ? char(character.at(0).unicode()) : kSubstituteCharacter);
        start = end;
    }
    return bits;
}

QString FromBitsText(const QByteArray& bitsText)
{
    return QString::fromLatin1(bitsText);
}

void SetFieldTextQuietly(QLineEdit* field, const QByteArray& bitsText)
{
    const int caret = field->cursorPosition();
    const QSignalBlocker quiet(field);
    field->setText(FromBitsText(bitsText));
    field->setCursorPosition(qMin(caret, int(field->text().size())));
}

}  // namespace controls
