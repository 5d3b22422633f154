// The addresses the list opens for a name, on arbitrary names, read back the way the desktop
// reads them before it opens one (a strict QUrl): the name never becomes another scheme, a user,
// a port, a path, a query or a second address.
#include "query/core/DomainName.h"
#include "web/WebAddresses.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <algorithm>
#include <string>

namespace {

void Check(bool holds)
{
    if (!holds) {
        __builtin_trap();
    }
}

QUrl Read(const std::string& address)
{
    return QUrl(QString::fromStdString(address), QUrl::StrictMode);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    if (const std::optional<std::string> address = BrowserAddressFor(name)) {
        Check(*address == "http://" + std::string(name));
        const QUrl url = Read(*address);
        // An ASCII name the desktop would not read as an address is refused here already; for
        // an internationalised one, or an ACE label, the desktop's own conversion decides.
        const bool ascii = std::all_of(name.begin(), name.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        const QString lower = QString::fromStdString(std::string(name)).toLower();
        Check(url.isValid() || !ascii || lower.startsWith(QLatin1String("xn--")) ||
              lower.contains(QLatin1String(".xn--")));
        if (url.isValid()) {
            Check(url.scheme() == QLatin1String("http") && url.userInfo().isEmpty() &&
                  url.port() == -1 && url.path().isEmpty() && !url.hasQuery() &&
                  !url.hasFragment());
        }
    }

    const std::string page = WebWhoisAddressFor(name);
    const std::string_view start = WebAddress::kWebWhoisPage;
    Check(page.starts_with(start));
    const std::string value = page.substr(start.size());
    Check(QByteArray::fromPercentEncoding(QByteArray::fromStdString(value)).toStdString() ==
          WithoutLeadingWww(name));
    const QUrl url = Read(page);
    Check(url.isValid() && url.scheme() == QLatin1String("https") &&
          url.host() == QLatin1String("qirv.zelbrane.com") &&
          url.path() == QLatin1String("/tools/whois.php") && !url.hasFragment() &&
          url.query(QUrl::FullyEncoded).toStdString() == "remote=" + value);
    return 0;
}
