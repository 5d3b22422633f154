#include "QueryName.h"

#include "query/core/DomainName.h"
#include "query/core/QueryResult.h"

#include <QUrl>
#include <algorithm>

QueryName ToQueryName(const QByteArray& typed)
{
    // Blanks around a pasted name are not part of it; the registry would not know the name with
    // them.
    const QByteArray name = typed.trimmed();
    const auto view = [](const QByteArray& bytes) {
        return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    };
    QueryName result;
    if (!IsQueryableName(view(name))) {
        result.reason = kNotADomainName;
        return result;
    }
    // Registries know international names by their ASCII form; the UTF-8 bytes would come back
    // as "no match" even for a registered name.
    QByteArray ascii = name;
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        ascii = QUrl::toAce(QString::fromUtf8(name));
        if (ascii.isEmpty()) {
            result.reason = "Not a valid international domain name: " + name.toStdString();
            return result;
        }
    }
    // A URL, an address or a name no registry could hold is never sent.
    if (!HasDomainNameShape(view(ascii))) {
        result.reason = kNotADomainName;
        return result;
    }
    result.ascii = ascii;
    return result;
}
