// The verdict of an RDAP answer on arbitrary answers. The first byte picks the HTTP status and
// whether the answer came from the server asked; then come the name asked and the content type,
// each ending at a line end, and the body.
#include "rdap/RdapVerdict.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <array>

namespace {

constexpr std::array<int, 8> kStatuses{200, 404, 200, 404, 301, 429, 500, 503};

void Check(bool holds)
{
    if (!holds) {
        __builtin_trap();
    }
}

QByteArray TakeLine(QByteArray& rest)
{
    const qsizetype end = rest.indexOf('\n');
    const QByteArray line = end < 0 ? rest : rest.left(end);
    rest = end < 0 ? QByteArray() : rest.mid(end + 1);
    return line;
}

QByteArray WithoutFinalDot(QByteArray name)
{
    if (name.endsWith('.')) {
        name.chop(1);
    }
    return name.toLower();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    const int status = kStatuses[data[0] % kStatuses.size()];
    const bool fromServerAsked = (data[0] & 0x80) != 0;
    QByteArray rest(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    const QByteArray name = TakeLine(rest);
    const QByteArray contentType = TakeLine(rest);
    const std::optional<DomainStatus> verdict =
        ReadRdapVerdict(status, contentType, fromServerAsked, rest, name);
    if (!verdict) {
        return 0;
    }
    const QJsonObject object = QJsonDocument::fromJson(rest).object();
    if (*verdict == DomainStatus::Available) {
        // An RDAP "not found" from the server asked, by its type or by its own words.
        Check(status == 404 && fromServerAsked &&
              (contentType.toLower().contains("application/rdap+json") ||
               object.value(QStringLiteral("errorCode")).toInt() == 404));
    } else {
        // The domain object of the very name asked.
        Check(*verdict == DomainStatus::Taken && status == 200 &&
              object.value(QStringLiteral("objectClassName")).toString() ==
                  QLatin1String("domain") &&
              WithoutFinalDot(object.value(QStringLiteral("ldhName")).toString().toUtf8()) ==
                  WithoutFinalDot(name));
    }
    return 0;
}
