#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// IANA's list of RDAP servers by top-level domain (its bootstrap file, RFC 9224), as read from a
// file: the base URL of the registry of each top-level domain it names.
class RdapBootstrap
{
public:
    using BaseByTld = std::map<std::string, std::string, std::less<>>;

    RdapBootstrap() = default;
    // Top-level domains in lower case and in their ASCII form ("xn--p1ai"), without the dot.
    RdapBootstrap(BaseByTld baseByTld, std::string publication, std::string description = {})
        : m_baseByTld(std::move(baseByTld)), m_publication(std::move(publication)),
          m_description(std::move(description))
    {}

    // `tld` as the constructor takes them.
    std::optional<std::string_view> BaseFor(std::string_view tld) const
    {
        const auto found = m_baseByTld.find(tld);
        if (found == m_baseByTld.end()) {
            return std::nullopt;
        }
        return std::string_view(found->second);
    }
    std::size_t TldCount() const { return m_baseByTld.size(); }
    const BaseByTld& Bases() const { return m_baseByTld; }
    // When IANA published the file, as it says ("2025-04-01T17:00:01Z").
    const std::string& Publication() const { return m_publication; }
    // What the file says it is, in its own words: text from a server, to be shown as such.
    const std::string& Description() const { return m_description; }

private:
    BaseByTld m_baseByTld;
    std::string m_publication;
    std::string m_description;
};
