#include "Session.h"

namespace scpi {

int Session::StatusByte(bool messageAvailable) const
{
    int status = 0;
    status |= errors.Count() > 0 ? kErrorQueueNotEmpty : 0;
    status |= questionable.Summary() ? kQuestionableSummary : 0;
    status |= messageAvailable ? kMessageAvailable : 0;
    status |= (errors.EventStatus() & eventStatusEnable) != 0 ? kEventStatusSummary : 0;
    status |= operation.Summary() ? kOperationSummary : 0;
    status |= (status & serviceRequestEnable) != 0 ? kMasterSummary : 0;
    return status;
}

void Session::ClearStatus()
{
    errors.Clear();
    operation.event = 0;
    questionable.event = 0;
}

}  // namespace scpi
