#include "Output.h"

#include <QJsonDocument>

namespace cli {

QString Where(const Command& command, Numbering numbering)
{
    const QString what = numbering == Numbering::Lines ? QStringLiteral("line") : QStringLiteral("command");
    return QStringLiteral("%1 %2 (%3)").arg(what).arg(command.number).arg(command.text);
}

QStringList TextAnswer(const CommandResult& result, Numbering numbering)
{
    if (!result.done)
        return {QStringLiteral("error: %1: %2").arg(Where(result.command, numbering), result.error)};
    return result.command.kind->text(result);
}

QByteArray JsonAnswer(const CommandResult& result)
{
    const Command& command = result.command;
    QJsonObject answer{{QStringLiteral("command"), command.name}, {QStringLiteral("number"), command.number}};
    if (!result.done)
        answer.insert(QStringLiteral("error"), result.error);
    if (command.kind)
        command.kind->json(result, answer);
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}

COutput::COutput(bool json, LineSink out, LineSink err) : m_json(json), m_out(std::move(out)), m_err(std::move(err)) {}

bool COutput::Answer(const CommandResult& result)
{
    if (m_json)
        return m_out(JsonAnswer(result));
    bool written = true;
    for (const QString& line : TextAnswer(result, m_numbering))
        written = m_out(line.toLocal8Bit()) && written;
    return written;
}

void COutput::Refused(const Command& command)
{
    if (m_json)
        m_out(JsonAnswer(Refusal(command)));
    else
        Note(QStringLiteral("%1: %2").arg(Where(command, m_numbering), command.error));
}

void COutput::Note(const QString& text)
{
    m_err(QStringLiteral("ldx7320-cli: %1").arg(text).toLocal8Bit());
}

void COutput::Diagnostic(const QString& line)
{
    m_err(line.toLocal8Bit());
}

}  // namespace cli
