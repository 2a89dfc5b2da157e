// Where the program knows no DNS-SD service of the system (macOS without Bonjour's API, the
// BSDs): the server serves unadvertised.
#include "DnsSd.h"

namespace scpi {

std::unique_ptr<IDnsSdPublication> PublishOnPlatform(const DnsSdAdvertisement&, DnsSdLog log)
{
    log(NotAvailableLine(QStringLiteral("no DNS-SD service known on this system")));
    return nullptr;
}

}  // namespace scpi
