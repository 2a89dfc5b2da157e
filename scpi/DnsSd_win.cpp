// Windows 10 and later: the system's own mDNS responder, through DnsServiceRegister of
// dnsapi.dll. Its calls are looked up when the program runs, so that it starts where they
// are missing (an older Windows, Wine). One registration a service; their answers come on a
// thread of the system's and are said from the event loop. At the end each is withdrawn,
// and the program waits a moment for the goodbye to go out.
#include "DnsSd.h"

#include "SystemMessage.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <string>
#include <windows.h>
#include <windns.h>

namespace scpi {

namespace {

constexpr DWORD kWithdrawLimitMs = 2000;
// DNS_REQUEST_PENDING of the Windows SDK's winerror.h, which MinGW-w64's lacks: the request
// is under way, its answer comes to the callback.
constexpr DWORD kRequestPending = 9506;

// The calls of dnsapi.dll the advertisement needs; all or none.
struct DnsServiceCalls {
    decltype(&DnsServiceConstructInstance) constructInstance = nullptr;
    decltype(&DnsServiceFreeInstance) freeInstance = nullptr;
    decltype(&DnsServiceRegister) registerService = nullptr;
    decltype(&DnsServiceDeRegister) deRegisterService = nullptr;
};

template <typename Function>
void LookUp(HMODULE library, const char* name, Function* function)
{
    // Through void (*)(): a cast between unlike function types that the compiler lets pass.
    *function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

std::optional<DnsServiceCalls> LoadDnsServiceCalls()
{
    // Loaded for the rest of the program: the system calls back into it.
    const HMODULE library = LoadLibraryW(L"dnsapi.dll");
    if (!library)
        return std::nullopt;
    DnsServiceCalls calls;
    LookUp(library, "DnsServiceConstructInstance", &calls.constructInstance);
    LookUp(library, "DnsServiceFreeInstance", &calls.freeInstance);
    LookUp(library, "DnsServiceRegister", &calls.registerService);
    LookUp(library, "DnsServiceDeRegister", &calls.deRegisterService);
    if (!calls.constructInstance || !calls.freeInstance || !calls.registerService || !calls.deRegisterService)
        return std::nullopt;
    return calls;
}

// What the registrations share with the event loop: the words to say, and how many are out.
struct Outcome {
    DnsSdAdvertisement advertisement;
    DnsSdLog log;
    int registered = 0;  // touched on the event loop's thread only
    bool said = false;
};

// One service's registration; the system holds its request until it is withdrawn.
struct Registration {
    DnsServiceCalls calls;
    std::shared_ptr<Outcome> outcome;
    DNS_SERVICE_REGISTER_REQUEST request{};
    std::atomic<int> answers{0};  // the first answers the registration, the second its withdrawal
    HANDLE registered = nullptr;  // set at the first answer
    HANDLE withdrawn = nullptr;   // and at the second
};

void Say(const std::shared_ptr<Outcome>& outcome, DWORD status)
{
    if (status == ERROR_SUCCESS && ++outcome->registered == int(outcome->advertisement.services.size()))
        outcome->log(AdvertisedLine(outcome->advertisement));
    else if (status != ERROR_SUCCESS && !std::exchange(outcome->said, true))
        outcome->log(NotAvailableLine(QStringLiteral("DnsServiceRegister failed: %1").arg(board::SystemMessage(status))));
}

VOID WINAPI OnAnswer(DWORD status, PVOID context, PDNS_SERVICE_INSTANCE instance)
{
    auto* registration = static_cast<Registration*>(context);
    if (instance)
        registration->calls.freeInstance(instance);
    if (registration->answers.fetch_add(1) > 0) {
        SetEvent(registration->withdrawn);
        return;
    }
    SetEvent(registration->registered);
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, [outcome = registration->outcome, status] { Say(outcome, status); }, Qt::QueuedConnection);
}

void Release(Registration* registration)
{
    if (registration->request.pServiceInstance)
        registration->calls.freeInstance(registration->request.pServiceInstance);
    for (HANDLE event : {registration->registered, registration->withdrawn}) {
        if (event)
            CloseHandle(event);
    }
    delete registration;
}

class CWindowsPublication : public IDnsSdPublication {
public:
    CWindowsPublication(const DnsSdAdvertisement& advertisement, DnsSdLog log, const DnsServiceCalls& calls);
    ~CWindowsPublication() override;

private:
    std::vector<Registration*> m_registered;  // those the system took
};

CWindowsPublication::CWindowsPublication(const DnsSdAdvertisement& advertisement, DnsSdLog log, const DnsServiceCalls& calls)
{
    const auto outcome = std::make_shared<Outcome>(Outcome{advertisement, std::move(log)});
    const std::wstring host = (advertisement.host + QStringLiteral(".local")).toStdWString();
    std::vector<std::wstring> keys, values;
    for (const auto& [key, value] : advertisement.txt) {
        keys.push_back(QString::fromUtf8(key).toStdWString());
        values.push_back(QString::fromUtf8(value).toStdWString());
    }
    std::vector<PCWSTR> keyTexts, valueTexts;
    for (std::size_t index = 0; index < keys.size(); ++index) {
        keyTexts.push_back(keys[index].c_str());
        valueTexts.push_back(values[index].c_str());
    }
    for (const DnsSdService& service : advertisement.services) {
        // "LDX7320 on bench-pc._scpi-raw._tcp.local" on "bench-pc.local", its addresses the host's.
        const std::wstring instanceName = QStringLiteral("%1.%2.local").arg(advertisement.name, service.type).toStdWString();
        auto* registration = new Registration{calls, outcome};
        registration->registered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        registration->withdrawn = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        registration->request.Version = DNS_QUERY_REQUEST_VERSION1;
        registration->request.InterfaceIndex = 0;  // every interface
        registration->request.pServiceInstance =
            calls.constructInstance(instanceName.c_str(), host.c_str(), nullptr, nullptr, service.port, 0, 0, DWORD(keyTexts.size()),
                                    keyTexts.data(), valueTexts.data());
        registration->request.pRegisterCompletionCallback = OnAnswer;
        registration->request.pQueryContext = registration;
        const DWORD status = registration->request.pServiceInstance && registration->registered && registration->withdrawn
                                 ? calls.registerService(&registration->request, nullptr)
                                 : GetLastError();
        if (status == kRequestPending) {
            m_registered.push_back(registration);
            continue;
        }
        Say(outcome, status == ERROR_SUCCESS ? DWORD(ERROR_GEN_FAILURE) : status);
        Release(registration);
    }
}

CWindowsPublication::~CWindowsPublication()
{
    for (Registration* registration : m_registered) {
        const bool withdrawn = WaitForSingleObject(registration->registered, kWithdrawLimitMs) == WAIT_OBJECT_0
                               && registration->calls.deRegisterService(&registration->request, nullptr) == kRequestPending
                               && WaitForSingleObject(registration->withdrawn, kWithdrawLimitMs) == WAIT_OBJECT_0;
        if (withdrawn)
            Release(registration);
        // Otherwise the system may still answer into it: it stays to the end of the program.
    }
}

}  // namespace

std::unique_ptr<IDnsSdPublication> PublishOnPlatform(const DnsSdAdvertisement& advertisement, DnsSdLog log)
{
    const std::optional<DnsServiceCalls> calls = LoadDnsServiceCalls();
    if (!calls) {
        log(NotAvailableLine(QStringLiteral("this Windows has no DnsServiceRegister: Windows 10 or later has it")));
        return nullptr;
    }
    return std::make_unique<CWindowsPublication>(advertisement, std::move(log), *calls);
}

}  // namespace scpi
