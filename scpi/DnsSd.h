// DNS-SD advertisement of the server, so that the lab's tools (VISA's resource finders,
// lxi discover, a DNS-SD browser) find the instrument on the network by themselves:
// _scpi-raw._tcp on the raw socket's port, and _vxi-11._tcp on the portmapper's port when
// VXI-11 is offered, under one name with the TXT keys instruments carry. It goes through
// the platform's own service (Avahi on Linux, the system's mDNS responder on Windows 10
// and later); where there is none, that is said once and the server serves all the same.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace scpi {

struct DnsSdService {
    QString type;  // "_scpi-raw._tcp"
    quint16 port = 0;
};

// What is advertised, the same on every platform.
struct DnsSdAdvertisement {
    QString name;  // "LDX7320 on bench-pc": one per host
    QString host;  // "bench-pc": this host's name, its first label
    std::vector<DnsSdService> services;
    std::vector<std::pair<QByteArray, QByteArray>> txt;  // key and value, in this order
};

// The advertisement on the platform's service while it lives; withdrawn when it goes.
class IDnsSdPublication {
public:
    virtual ~IDnsSdPublication() = default;
};

using DnsSdLog = std::function<void(const QString&)>;

// Advertises a server that listens at address (as CScpiServer::Address() gives it:
// "0.0.0.0:5025", "[::]:5025", "10.0.0.5:5025"), on this host, when the address reaches
// beyond the loopback; nothing on the loopback, where no one else could reach it. log: one
// line when the services are out (again after a change of name), or once that they cannot be.
std::unique_ptr<IDnsSdPublication> AdvertiseServer(const QString& address, bool vxi11Offered, DnsSdLog log);

// What each platform file provides: the advertisement handed to the platform's service.
std::unique_ptr<IDnsSdPublication> PublishOnPlatform(const DnsSdAdvertisement& advertisement, DnsSdLog log);

// The words every platform uses: the services out under their name, and why there are none.
QString AdvertisedLine(const DnsSdAdvertisement& advertisement);
QString NotAvailableLine(const QString& why);

}  // namespace scpi
