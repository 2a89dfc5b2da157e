// What the instrument keeps for one client, as IEEE 488.2 and SCPI have it: its error queue
// and event status register, the enable registers it set, and its view of the STATus
// registers. Two clients never see each other's errors or events.
#pragma once

#include "ScpiErrors.h"

#include <atomic>

namespace scpi {

// A SCPI register group: the condition as it is now, the event register that latches each
// bit rising in it until read, and the enable mask for the summary bit.
struct StatusGroup {
    int condition = 0;
    int event = 0;
    int enable = 0;

    void SetCondition(int bits)
    {
        event |= bits & ~condition;
        condition = bits;
    }
    bool Summary() const { return (event & enable) != 0; }
};

// The status byte's bits.
inline constexpr int kErrorQueueNotEmpty = 0x04;
inline constexpr int kQuestionableSummary = 0x08;
inline constexpr int kMessageAvailable = 0x10;
inline constexpr int kEventStatusSummary = 0x20;
inline constexpr int kMasterSummary = 0x40;
inline constexpr int kOperationSummary = 0x80;

// STATus:QUEStionable: the board is lost, or was never found.
inline constexpr int kNoBoard = 0x200;

// Its registers are the instrument's thread's; the front doors' thread reads the status
// byte as last published, and says what answers of the client are on their way.
struct Session {
    CErrorQueue errors;
    int eventStatusEnable = 0;     // *ESE
    int serviceRequestEnable = 0;  // *SRE, bit 6 never set
    StatusGroup operation;
    StatusGroup questionable;
    std::atomic<int> answersOnTheirWay{0};  // answered, not yet handed to the client's front door
    std::atomic<bool> answerHeld{false};    // the front door holds an answer until the client fetches it

    // *STB?, computed when asked and clearing nothing. answerWaiting: an answer of this
    // client waits to be sent besides those the session knows of.
    int StatusByte(bool answerWaiting) const;
    // The same from any thread, as last published.
    int PublishedStatusByte(bool answerWaiting) const;
    // Makes the registers as they are now what the other threads read.
    void Publish();
    // *CLS: the error queue, the event status register and the event registers.
    void ClearStatus();

private:
    int Summaries() const;  // the status byte's bits 2, 3, 5 and 7
    std::atomic<int> m_publishedSummaries{0};
    std::atomic<int> m_publishedServiceRequestEnable{0};
};

}  // namespace scpi
