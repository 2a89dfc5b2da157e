// The end-signal notifier on a real SIGTERM: one notifier at a time. Its own process, as
// the signal's mark stays for the rest of the process's life.
#include "EndSignals.h"

#include <QtTest>
#include <csignal>
#include <memory>

using board::CEndSignalNotifier;

class TestEndSignals : public QObject {
    Q_OBJECT

private slots:
    // A second notifier while the first lives neither takes the signal from the first nor,
    // when it goes, the first's place; once the first is gone a new one is taken (and hears
    // the signal that has come already).
    void aSecondNotifierIsRefusedWhileTheFirstLives()
    {
#if !defined(QT_NO_DEBUG) || defined(QT_FORCE_ASSERTS)
        QSKIP("with assertions on, a second notifier stops the program at its assertion");
#endif
        QStringList called;
        auto first = std::make_unique<CEndSignalNotifier>([&called] { called << "first"; });
        {
            const CEndSignalNotifier gone([&called] { called << "gone"; });
        }
        const CEndSignalNotifier second([&called] { called << "second"; });
        std::raise(SIGTERM);
        QTRY_COMPARE(called, QStringList({"first"}));
        first.reset();
        const CEndSignalNotifier next([&called] { called << "next"; });
        QTRY_COMPARE(called, QStringList({"first", "next"}));
    }
};

QTEST_GUILESS_MAIN(TestEndSignals)
#include "test_end_signals.moc"
