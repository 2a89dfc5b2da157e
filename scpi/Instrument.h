// The board as an instrument: runs the SCPI lines of its clients one at a time on the one
// board link, and keeps serving whatever the board does. A board that stops answering, or a
// port that fails, is closed and said to be lost; the next command that needs the board
// looks for it again, as the panel does at its start. No byte goes to the board that no
// command asked for.
#pragma once

#include "BoardLink.h"
#include "Session.h"

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <optional>

namespace scpi {

class CInstrument : private board::IBoardHost {
public:
    // log: one line for a person (standard error): a board found or lost, the trace.
    CInstrument(board::CPortProvider& ports, const QStringList& candidates, bool trace, std::function<void(const QString&)> log);

    // A client's session takes part in the instrument's STATus registers from now on, until
    // it is detached; its QUEStionable condition is the instrument's as it is now.
    void Attach(Session& session);
    void Detach(Session& session);

    // Runs the units of one line in order, up to the first error. The answers of its
    // queries, parted by ';', make one line to send (without its line end); nothing when
    // there were none.
    std::optional<QByteArray> RunLine(Session& session, const QByteArray& line);

    // Looks for the board unless its port is open; says what it found when that changed.
    bool LookForBoard();
    // Closes the board's port, at the end.
    void LetGo() { m_link.ClosePort(); }
    // The open port's name; empty when there is none.
    QString PortName() const;

    // The board's operations for the commands. Each returns false when the board failed
    // it: the error is in the session's queue, and the port has been closed.
    bool SwitchOutput(bool on, Session& session);
    bool WriteRegister(int index, int value, Session& session);
    std::optional<quint8> ReadRegister(int index, Session& session);
    bool WriteCurrent(int index, int code, Session& session);
    // *TST?: the board answers the probe and a read of REGISTER_S; nothing on it changes.
    bool SelfTest(Session& session);

    // What was last switched through this server; nothing before any.
    std::optional<bool> OutputOn() const { return m_outputOn; }

private:
    // Whether the board did what it was asked; a board that failed is lost.
    bool Took(const board::BoardResult& result, Session& session);
    // With the board gone the port is closed, the error queued, and a person told, once.
    void Lost(const QString& why, Session& session, int error = kHardwareError);
    // The QUEStionable condition of every attached session.
    void SetQuestionable(int condition);
    void WriteDiagnostic(const QString& line) override;

    board::CPortProvider& m_ports;
    QStringList m_candidates;
    std::function<void(const QString&)> m_log;
    board::CBoardLink m_link;
    std::optional<bool> m_outputOn;
    QList<Session*> m_sessions;
    int m_questionable = kNoBoard;  // until the board is found
    QString m_boardPort;         // where the board was found, as said; empty once it is lost
    bool m_saidNoBoard = false;  // a search that finds nothing is said once until one finds it
};

}  // namespace scpi
