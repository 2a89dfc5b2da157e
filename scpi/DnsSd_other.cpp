// Where the program knows no DNS-SD service of the system (macOS without Bonjour's API, the
// BSDs): the server serves unadvertised.
#include "DnsSd.h"

namespace scpi {

namespace {

class CNoPublication : public IDnsSdPublication {};

}  // namespace

std::unique_ptr<IDnsSdPublication> PublishOnPlatform(const DnsSdAdvertisement&, DnsSdLog log)
{
    log(NotAvailableLine(QStringLiteral("no DNS-SD service known on this system")));
    return std::make_unique<CNoPublication>();
}

}  // namespace scpi
