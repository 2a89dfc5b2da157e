#include "ScpiParser.h"

#include <QRegularExpression>

namespace scpi {

namespace {

// Printable ASCII and the tab: nothing else may stand in a program message.
bool IsProgramCharacter(char c)
{
    return (c >= 0x20 && c <= 0x7E) || c == '\t';
}

bool IsSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

Error Syntax(const QString& detail)
{
    return {kSyntaxError, detail};
}

// One unit, its ';' gone; false with *error when it cannot be read.
bool ReadUnit(const QString& text, MessageUnit* unit, Error* error)
{
    static const QRegularExpression header(
        QStringLiteral("^(:?)((?:\\*[A-Za-z]+)|(?:[A-Za-z][A-Za-z0-9_]*(?::[A-Za-z][A-Za-z0-9_]*)*))(\\?)?"));
    const QRegularExpressionMatch match = header.match(text);
    if (!match.hasMatch()) {
        *error = Syntax(QStringLiteral("no header at '%1'").arg(text.left(20)));
        return false;
    }
    unit->absolute = !match.captured(1).isEmpty();
    unit->nodes = match.captured(2).split(QLatin1Char(':'));
    unit->query = !match.captured(3).isEmpty();
    if (unit->absolute && match.captured(2).startsWith(QLatin1Char('*'))) {
        *error = Syntax(QStringLiteral("':' before a common command"));
        return false;
    }
    const QString rest = text.mid(match.capturedLength());
    if (rest.isEmpty())
        return true;
    if (!IsSpace(rest.front())) {
        *error = Syntax(QStringLiteral("'%1' after the header").arg(rest.front()));
        return false;
    }
    for (const QString& parameter : rest.split(QLatin1Char(','))) {
        const QString trimmed = parameter.trimmed();
        if (trimmed.isEmpty()) {
            *error = Syntax(QStringLiteral("an empty parameter"));
            return false;
        }
        unit->parameters << trimmed;
    }
    return true;
}

}  // namespace

ReadLine ReadProgramMessage(const QByteArray& line)
{
    ReadLine read;
    for (char c : line) {
        if (!IsProgramCharacter(c) && c != '\r' && c != '\n') {
            read.error = Syntax(QStringLiteral("character 0x%1").arg(quint8(c), 2, 16, QLatin1Char('0')));
            return read;
        }
    }
    for (const QString& part : QString::fromLatin1(line).split(QLatin1Char(';'))) {
        const QString text = part.trimmed();
        if (text.isEmpty())
            continue;  // nothing between two ';', or after the last
        MessageUnit unit;
        Error error;
        if (!ReadUnit(text, &unit, &error)) {
            read.error = error;
            return read;
        }
        read.units << unit;
    }
    return read;
}

bool MatchesMnemonic(const QString& word, const QString& mnemonic)
{
    qsizetype shortLength = 0;
    while (shortLength < mnemonic.size() && !mnemonic.at(shortLength).isLower())
        ++shortLength;
    const QString upper = word.toUpper();
    return upper == mnemonic.toUpper() || upper == mnemonic.left(shortLength);
}

CHeaderPattern::CHeaderPattern(const QString& pattern)
{
    // "CURRent:A|B|C[:LEVel]" -> CURRent, A|B|C, [LEVel]
    static const QRegularExpression part(QStringLiteral("(\\[?):?([^:\\[\\]]+)\\]?"));
    for (QRegularExpressionMatchIterator parts = part.globalMatch(pattern); parts.hasNext();) {
        const QRegularExpressionMatch match = parts.next();
        m_nodes << Node{match.captured(2).split(QLatin1Char('|')), !match.captured(1).isEmpty()};
    }
}

bool CHeaderPattern::Match(const QStringList& nodes, int* choice) const
{
    *choice = 0;
    return MatchFrom(0, 0, nodes, choice);
}

bool CHeaderPattern::MatchFrom(int node, int word, const QStringList& words, int* choice) const
{
    if (node == m_nodes.size())
        return word == words.size();
    const Node& pattern = m_nodes.at(node);
    if (word < words.size()) {
        for (int alternative = 0; alternative < pattern.alternatives.size(); ++alternative) {
            if (MatchesMnemonic(words.at(word), pattern.alternatives.at(alternative)) && MatchFrom(node + 1, word + 1, words, choice)) {
                if (pattern.alternatives.size() > 1)
                    *choice = alternative;
                return true;
            }
        }
    }
    return pattern.optional && MatchFrom(node + 1, word, words, choice);
}

std::optional<Numeric> ReadNumeric(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?)[ \\t]*([A-Za-z]*)$"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return Numeric{value, match.captured(2).toUpper()};
}

}  // namespace scpi
