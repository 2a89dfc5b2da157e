// The notifier, the same everywhere; how the signals are caught is each platform's
// (EndSignals_win.cpp, EndSignals_unix.cpp).
#include "EndSignals.h"

#include <QSocketNotifier>
#include <utility>

namespace board {

std::atomic<CEndSignalNotifier*> CEndSignalNotifier::s_notifier{nullptr};

CEndSignalNotifier::CEndSignalNotifier(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    CatchEndSignals();
    // Where the handler wakes a descriptor (off Windows), the event loop watches it;
    // elsewhere the handler calls NotifyFromAnyThread.
    if (EndSignalDescriptor() == -1) {
        s_notifier = this;
        return;
    }
    auto* notifier = new QSocketNotifier(EndSignalDescriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
        notifier->setEnabled(false);  // the byte stays: later waits end at once too
        m_onSignal();
    });
}

CEndSignalNotifier::~CEndSignalNotifier()
{
    s_notifier = nullptr;
}

// The call is queued to the event loop, and dropped when the notifier is gone by then.
void CEndSignalNotifier::NotifyFromAnyThread()
{
    if (CEndSignalNotifier* notifier = s_notifier)
        QMetaObject::invokeMethod(notifier, [notifier] { notifier->m_onSignal(); }, Qt::QueuedConnection);
}

}  // namespace board
