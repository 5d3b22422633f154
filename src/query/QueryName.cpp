#include "QueryName.h"

#include "query/core/DomainName.h"
#include "query/core/QueryResult.h"

#include <QUrl>
#include <algorithm>

namespace {

std::string_view View(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Whether every label of the ASCII form that begins with "xn--" is the ASCII form of an
// international label: "xn--zz" decodes to nothing, and a registry would call it free.
bool AceLabelsDecode(std::string_view ascii)
{
    return EveryLabel(ascii, [](std::string_view label) {
        if (!label.starts_with("xn--")) {
            return true;
        }
        const QByteArray ace(label.data(), static_cast<qsizetype>(label.size()));
        const QString decoded = QUrl::fromAce(ace, QUrl::IgnoreIDNWhitelist);
        // Qt gives an undecodable label back as it was.
        return decoded != QLatin1String(ace) &&
               QUrl::toAce(decoded, QUrl::IgnoreIDNWhitelist) == ace;
    });
}

} // namespace

QueryName ToQueryName(const QByteArray& typed)
{
    // Blanks around a pasted name are not part of it; the registry would not know the name with
    // them.
    const QByteArray name = typed.trimmed();
    QueryName result;
    const auto notAName = [&result](const std::string& fault) {
        result.reason = std::string(kNotADomainName) + (fault.empty() ? "" : ": " + fault);
        return result;
    };
    // What would end the query line early, a URL or an address is not a name at all.
    if (!IsQueryableName(View(name)) || HoldsUrlPieces(View(name))) {
        return notAName({});
    }
    // Nobody can register a name with any other character than letters, digits and hyphens,
    // and a registry's "no match" for it would make it look free: it is never sent.
    if (const std::string fault = LabelFault(View(name)); !fault.empty()) {
        return notAName(fault);
    }
    // IDNA (UTS 46): registries know a name by its ASCII form, in lower case, with an
    // international label as "xn--..." and full-width letters as plain ones; the UTF-8 bytes
    // would come back as "no match" even for a registered name.
    const QByteArray ascii = QUrl::toAce(QString::fromUtf8(name), QUrl::IgnoreIDNWhitelist);
    const bool typedInAscii = std::all_of(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const std::string notInternational =
        "Not a valid international domain name: " + name.toStdString();
    if (ascii.isEmpty()) {
        if (typedInAscii) {
            return notAName({});
        }
        result.reason = notInternational;
        return result;
    }
    // An address or a name no registry could hold is never sent.
    if (!HasDomainNameShape(View(ascii))) {
        return notAName({});
    }
    // IDNA maps some characters of other scripts to ones no label may hold ("＿" to "_").
    if (const std::string fault = LabelFault(View(ascii)); !fault.empty()) {
        return notAName(fault);
    }
    if (!AceLabelsDecode(View(ascii))) {
        result.reason = notInternational;
        return result;
    }
    result.ascii = ascii;
    return result;
}
