// The notifier, the same everywhere; how the signals are caught is each platform's
// (EndSignals_win.cpp, EndSignals_unix.cpp).
#include "EndSignals.h"

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
    WatchEndSignals(this, [this] { m_onSignal(); });
}

CEndSignalNotifier::~CEndSignalNotifier()
{
    CEndSignalNotifier* self = this;
    s_notifier.compare_exchange_strong(self, nullptr);  // a refused one leaves the first's place alone
}

}  // namespace board
