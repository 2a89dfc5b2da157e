// The notifier, the same everywhere; how the signals are caught is each platform's
// (EndSignals_win.cpp, EndSignals_unix.cpp).
#include "EndSignals.h"

#include <QSocketNotifier>
#include <utility>

namespace board {

std::atomic<CEndSignalNotifier*> CEndSignalNotifier::s_notifier{nullptr};

CEndSignalNotifier::CEndSignalNotifier(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    CEndSignalNotifier* none = nullptr;
    const bool first = s_notifier.compare_exchange_strong(none, this);
    Q_ASSERT_X(first, "CEndSignalNotifier", "a second end-signal notifier while the first lives");
    if (!first)
        return;
    CatchEndSignals();
    // Where the handler wakes a descriptor (off Windows), the event loop watches it;
    // elsewhere the handler calls NotifyFromAnyThread.
    if (EndSignalDescriptor() == -1)
        return;
    auto* notifier = new QSocketNotifier(EndSignalDescriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
        notifier->setEnabled(false);  // the byte stays: later waits end at once too
        m_onSignal();
    });
}

CEndSignalNotifier::~CEndSignalNotifier()
{
    CEndSignalNotifier* self = this;
    s_notifier.compare_exchange_strong(self, nullptr);  // a refused one leaves the first's place alone
}

// The call is queued to the event loop, and dropped when the notifier is gone by then.
void CEndSignalNotifier::NotifyFromAnyThread()
{
    if (CEndSignalNotifier* notifier = s_notifier)
        QMetaObject::invokeMethod(notifier, [notifier] { notifier->m_onSignal(); }, Qt::QueuedConnection);
}

}  // namespace board
