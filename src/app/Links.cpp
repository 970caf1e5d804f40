#include "Links.h"

namespace tracella {

namespace {
QString HttpAddress(std::string_view host, std::string_view path) {
  return QStringLiteral("http://") + QString::fromLatin1(host.data(), static_cast<qsizetype>(host.size())) +
         QString::fromLatin1(path.data(), static_cast<qsizetype>(path.size()));
}
}  // namespace

QString DonationAddress() { return HttpAddress(MakerHost, "/donate.html"); }

QString LinkAddress(std::size_t index) { return HttpAddress(SocialHost, Links.at(index).Path); }

}  // namespace tracella
