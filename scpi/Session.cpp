#include "Session.h"

namespace scpi {

namespace {

// The message-available bit, and the master summary of every bit that *SRE lets through.
int StatusByteOf(int summaries, int serviceRequestEnable, bool messageAvailable)
{
    int status = summaries | (messageAvailable ? kMessageAvailable : 0);
    status |= (status & serviceRequestEnable) != 0 ? kMasterSummary : 0;
    return status;
}

}  // namespace

int Session::Summaries() const
{
    int status = 0;
    status |= errors.Count() > 0 ? kErrorQueueNotEmpty : 0;
    status |= questionable.Summary() ? kQuestionableSummary : 0;
    status |= (errors.EventStatus() & eventStatusEnable) != 0 ? kEventStatusSummary : 0;
    status |= operation.Summary() ? kOperationSummary : 0;
    return status;
}

int Session::StatusByte(bool answerWaiting) const
{
    return StatusByteOf(Summaries(), serviceRequestEnable, answerWaiting || answersOnTheirWay > 0 || answerHeld);
}

int Session::PublishedStatusByte(bool answerWaiting) const
{
    return StatusByteOf(m_publishedSummaries, m_publishedServiceRequestEnable, answerWaiting || answersOnTheirWay > 0 || answerHeld);
}

void Session::Publish()
{
    m_publishedSummaries = Summaries();
    m_publishedServiceRequestEnable = serviceRequestEnable;
}

void Session::ClearStatus()
{
    errors.Clear();
    operation.event = 0;
    questionable.event = 0;
}

}  // namespace scpi
