#include "SignalEnd.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace app {

#ifdef Q_OS_UNIX

namespace {

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_wakeUp[2];  // the event loop reads [0], the handler writes to [1]

void OnEndSignal(int)
{
    const char byte = '!';
    (void)!::write(g_wakeUp[1], &byte, sizeof byte);
}

}  // namespace

CSignalEnd::CSignalEnd(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    if (::pipe(g_wakeUp) != 0)
        return;
    m_notifier = new QSocketNotifier(g_wakeUp[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        (void)!::read(g_wakeUp[0], &byte, 1);
        m_onSignal();
    });
    struct sigaction action {};  // an empty mask
    action.sa_handler = OnEndSignal;
    action.sa_flags = SA_RESTART;
    for (int number : kEndSignals)
        sigaction(number, &action, nullptr);
}

CSignalEnd::~CSignalEnd()
{
    if (!m_notifier)
        return;
    for (int number : kEndSignals)
        signal(number, SIG_DFL);
    delete m_notifier;
    for (int end : g_wakeUp)
        close(end);
}

#else

CSignalEnd::CSignalEnd(std::function<void()> onSignal) : m_onSignal(std::move(onSignal)) {}
CSignalEnd::~CSignalEnd() = default;

#endif

}  // namespace app
