#include "GeneralReading.h"

#include "query/core/DomainName.h"
#include "query/core/QueryResult.h"

#include <algorithm>
#include <array>

namespace {

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view left, std::string_view right)
{
    return std::ranges::equal(left, right,
                              [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() &&
           EqualIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// The line in lower case with every run of blanks and tabs made one blank, so that "Status:\t
// AVAILABLE" reads as "status: available".
std::string Folded(std::string_view line)
{
    std::string folded;
    folded.reserve(line.size());
    for (char c : line) {
        const bool blank = c == ' ' || c == '\t';
        if (blank && (folded.empty() || folded.back() == ' ')) {
            continue;
        }
        folded += blank ? ' ' : AsciiLower(c);
    }
    return folded;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Letters, digits, hyphens and the bytes of UTF-8 sequences: what the labels of a name, in
// either form, are made of.
bool IsNameByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || c == '-';
}

bool HasTheShapeOfADomain(std::string_view text)
{
    if (text.find('.') == std::string_view::npos) {
        return false;
    }
    bool lastLabelHasALetter = false;
    const bool labelsWhole = EveryLabel(text, [&](std::string_view label) {
        lastLabelHasALetter =
            std::ranges::any_of(label, [](char c) { return !(c >= '0' && c <= '9') && c != '-'; });
        return !label.empty() && std::ranges::all_of(label, IsNameByte);
    });
    // "2.0" and "192.0.2.1" are versions and addresses, not names.
    return labelsWhole && lastLabelHasALetter;
}

std::string_view WithoutFinalDot(std::string_view text)
{
    if (text.ends_with('.')) {
        text.remove_suffix(1);
    }
    return text;
}

// Every key is in lower case; longer keys first, so "domain name" is not read as "domain".
constexpr std::array<std::string_view, 8> kDomainFieldKeys{
    "nombre de dominio", "nom de domaine", "domain name", "domain_name",
    "domain-name",       "domainname",     "dominio",     "domain",
};

constexpr std::array<std::string_view, 12> kNotFoundPhrases{
    "no match",        "not found",         "no entries found", "no data found",
    "no object found", "status: available", "status: free",     "not registered",
    "does not exist",  "nothing found",     "no matching",      "no such domain",
};

// Phrases that terms of use also hold ("whether a domain name is available for registration"):
// they count only in a line that names the asked name.
constexpr std::array<std::string_view, 1> kNamedNotFoundPhrases{"is available"};

constexpr std::array<std::string_view, 9> kReservedPhrases{
    "prohibited string",     "cannot be registered",
    "can not be registered", "is reserved",
    "status: reserved",      "reserved by the registry",
    "status: blocked",       "is not allowed by the policy",
    "invalid domain name",
};

// The first name in `line` that ends in `tldSuffix` and that `accept` takes. Mail and web
// addresses name the registry's own hosts, not the subject of the reply, and are passed over.
template <typename Accept>
std::optional<std::string_view> FindNameOfExtension(std::string_view line,
                                                    std::string_view tldSuffix, Accept accept)
{
    std::size_t position = 0;
    while (position < line.size()) {
        if (!IsNameByte(line[position])) {
            ++position;
            continue;
        }
        const std::size_t start = position;
        while (position < line.size() && (IsNameByte(line[position]) || line[position] == '.')) {
            ++position;
        }
        std::string_view token = line.substr(start, position - start);
        while (token.ends_with('.') || token.ends_with('-')) {
            token.remove_suffix(1);
        }
        const auto isAddressMark = [](char c) {
            return c == '@' || c == '/';
        };
        const bool partOfAnAddress = (start > 0 && isAddressMark(line[start - 1])) ||
                                     (position < line.size() && isAddressMark(line[position]));
        if (!partOfAnAddress && EndsWithIgnoringCase(token, tldSuffix) && accept(token)) {
            return token;
        }
    }
    return std::nullopt;
}

bool HoldsPhrase(std::string_view foldedLine, std::span<const std::string_view> phrases)
{
    return std::ranges::any_of(phrases, [&](std::string_view phrase) {
        return foldedLine.find(phrase) != std::string_view::npos;
    });
}

} // namespace

AskedName::AskedName(std::string ascii, std::string unicode)
{
    m_spellings.front() = std::move(ascii);
    if (!unicode.empty() && unicode != m_spellings.front()) {
        m_spellings.push_back(std::move(unicode));
    }
}

std::string_view AskedName::Tld() const
{
    const std::string_view ascii = Ascii();
    return ascii.substr(ascii.rfind('.') + 1);
}

bool AskedName::IsSpelledBy(std::string_view text) const
{
    text = WithoutFinalDot(text);
    return std::ranges::any_of(m_spellings, [&](const std::string& spelling) {
        return EqualIgnoringCase(spelling, text);
    });
}

bool AskedName::IsAnotherDomain(std::string_view text) const
{
    text = WithoutFinalDot(text);
    if (!HasTheShapeOfADomain(text) || IsSpelledBy(text)) {
        return false;
    }
    return std::ranges::none_of(m_spellings, [&](const std::string& spelling) {
        return spelling.size() > text.size() && EndsWithIgnoringCase(spelling, text) &&
               spelling[spelling.size() - text.size() - 1] == '.';
    });
}

bool AskedName::IsNamedIn(std::string_view line) const
{
    const std::string tldSuffix = "." + std::string(Tld());
    return FindNameOfExtension(line, tldSuffix,
                               [&](std::string_view token) { return IsSpelledBy(token); })
        .has_value();
}

bool AskedName::LineNamesAnotherDomain(std::string_view line) const
{
    const std::string tldSuffix = "." + std::string(Tld());
    return FindNameOfExtension(line, tldSuffix,
                               [&](std::string_view token) { return IsAnotherDomain(token); })
        .has_value();
}

std::optional<std::string_view> DomainFieldValue(std::string_view line)
{
    line = Trimmed(line);
    if (line.starts_with('[')) {
        line.remove_prefix(1);
    }
    // Numbered forms ("1a.        Domain Name : x.gov.za").
    const std::size_t numbering = line.find_first_not_of("0123456789");
    if (numbering > 0 && numbering != std::string_view::npos) {
        const std::size_t dot = line.find_first_not_of("abcdefghijklmnopqrstuvwxyz", numbering);
        if (dot != std::string_view::npos && dot <= numbering + 1 && line[dot] == '.') {
            line = Trimmed(line.substr(dot + 1));
        }
    }
    for (std::string_view key : kDomainFieldKeys) {
        if (!StartsWithIgnoringCase(line, key)) {
            continue;
        }
        std::string_view rest = line.substr(key.size());
        const std::size_t valueStart = std::min(rest.find_first_not_of(" \t:.#]"), rest.size());
        const std::string_view separator = rest.substr(0, valueStart);
        // One blank alone separates the words of a sentence ("Domain x.tm is available"); a
        // field's key ends with a colon, a bracket, dots, a tab or a column of blanks.
        const bool isField = separator.find_first_of(":#]\t.") != std::string_view::npos ||
                             separator.find("  ") != std::string_view::npos ||
                             (valueStart == rest.size() && separator.empty());
        if (!isField) {
            return std::nullopt;
        }
        return Trimmed(rest.substr(valueStart));
    }
    return std::nullopt;
}

std::span<const std::string_view> NotFoundPhrases()
{
    return kNotFoundPhrases;
}

std::span<const std::string_view> NamedNotFoundPhrases()
{
    return kNamedNotFoundPhrases;
}

std::span<const std::string_view> ReservedPhrases()
{
    return kReservedPhrases;
}

GeneralReading::GeneralReading(AskedName name, std::span<const ReplyMarker> serverMarkers)
    : m_name(std::move(name)), m_serverMarkers(serverMarkers)
{}

void GeneralReading::ReadDomainValue(std::string_view value)
{
    value = value.substr(0, value.find_first_of(" \t"));
    while (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
        value.remove_prefix(1);
    }
    while (!value.empty() && (value.back() == '"' || value.back() == '\'')) {
        value.remove_suffix(1);
    }
    if (m_name.IsSpelledBy(value)) {
        m_namesAskedName = true;
    } else if (m_name.IsAnotherDomain(value)) {
        m_namesAnotherName = true;
    }
}

void GeneralReading::ReadLine(std::string_view line)
{
    if (m_valueOnNextLine) {
        const std::string_view content = Trimmed(line);
        if (content.empty()) {
            return;
        }
        m_valueOnNextLine = false;
        // "Domain:" may head a block whose first field holds the name ("name:   x.ee").
        const std::size_t colon = content.find(':');
        const bool keyed = colon != std::string_view::npos &&
                           content.substr(0, colon).find(' ') == std::string_view::npos;
        ReadDomainValue(Trimmed(keyed ? content.substr(colon + 1) : content));
        return;
    }
    if (const std::optional<std::string_view> value = DomainFieldValue(line)) {
        if (value->empty()) {
            m_valueOnNextLine = true;
        } else {
            ReadDomainValue(*value);
        }
    }
    const std::string folded = Folded(line);
    const ReplyMarker* marker = FirstMarkerIn(m_serverMarkers, line);
    const bool notFound = HoldsPhrase(folded, kNotFoundPhrases) ||
                          (HoldsPhrase(folded, kNamedNotFoundPhrases) && m_name.IsNamedIn(line));
    if (marker || notFound) {
        if (m_name.LineNamesAnotherDomain(line)) {
            m_namesAnotherName = true;
        } else if (marker) {
            (marker->status == DomainStatus::Available ? m_serverSaysAvailable
                                                       : m_serverSaysTaken) = true;
        } else {
            m_notFound = true;
        }
    }
    m_reserved = m_reserved || HoldsPhrase(folded, kReservedPhrases);
}

GeneralReading::Decision GeneralReading::Conclude() const
{
    if (m_reserved) {
        return {std::nullopt, kReservedByTheRegistry};
    }
    // The server's own proven wording outweighs the general signs: its not-found replies may
    // repeat the asked name in a domain field.
    if (m_serverSaysAvailable != m_serverSaysTaken && !m_namesAnotherName) {
        return {m_serverSaysAvailable ? DomainStatus::Available : DomainStatus::Taken, {}};
    }
    if (m_namesAskedName && !m_notFound) {
        return {DomainStatus::Taken, {}};
    }
    if (m_notFound && !m_namesAskedName && !m_namesAnotherName) {
        return {DomainStatus::Available, {}};
    }
    if (m_namesAnotherName && !m_namesAskedName) {
        return {std::nullopt, kAboutAnotherName};
    }
    return {std::nullopt, kNoVerdictInReply};
}

AskedName NameTheReplyIsAbout(std::string_view tld, std::string_view reply)
{
    // Every name of the extension is another name to this one, which no reply spells.
    const AskedName unknown("\x01." + std::string(tld));
    const std::string tldSuffix = "." + std::string(tld);
    const auto isName = [&](std::string_view token) {
        return unknown.IsAnotherDomain(token);
    };
    std::optional<std::string_view> firstNamed;
    std::size_t start = 0;
    while (start < reply.size()) {
        const std::size_t end = std::min(reply.find_first_of("\r\n", start), reply.size());
        const std::string_view line = reply.substr(start, end - start);
        start = end + 1;
        if (const std::optional<std::string_view> value = DomainFieldValue(line)) {
            if (const auto name = FindNameOfExtension(*value, tldSuffix, isName)) {
                return AskedName(std::string(*name));
            }
        }
        if (!firstNamed) {
            firstNamed = FindNameOfExtension(line, tldSuffix, isName);
        }
    }
    return firstNamed ? AskedName(std::string(*firstNamed)) : unknown;
}
