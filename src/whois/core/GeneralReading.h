#pragma once

#include "ClassifyReply.h"
#include "query/core/DomainStatus.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The name a query asked about, in every spelling a reply may use: its ASCII form first
// ("xn--6qq79v.xn--fiqs8s"), then its Unicode form where that differs ("你好.中国").
class AskedName
{
public:
    AskedName() = default;
    explicit AskedName(std::string ascii, std::string unicode = {});

    const std::string& Ascii() const { return m_spellings.front(); }
    std::string_view Tld() const;
    // Whether `text` spells the asked name: ASCII letters in any case, a final "." aside.
    bool IsSpelledBy(std::string_view text) const;
    // Whether `text` names a domain other than the asked one: a name with the shape of a domain
    // that is not the asked name nor a suffix it ends with ("co.uk" for "x.co.uk").
    bool IsAnotherDomain(std::string_view text) const;
    // Whether a line names the asked name.
    bool IsNamedIn(std::string_view line) const;
    // Whether a line names a domain of the asked name's extension other than the asked one, as
    // `No match for "OTHER.COM".` does when "x.com" was asked.
    bool LineNamesAnotherDomain(std::string_view line) const;

private:
    std::vector<std::string> m_spellings{std::string()};
};

// What one reply says, read line by line by the general reading: whether a domain field names the
// asked name or another, whether a not-found phrase or a phrase of a reserved name appears.
//
// It is strict, because a wrong "Available!" is the one mistake users never forgive: "Taken" only
// when a domain field ("Domain Name:", "domain:", "Domain name" with the name on the next line,
// ...) names the asked name; "Available!" only from a not-found phrase that several registries
// use, or one the server's own rule proves, and only when no domain field names another name.
// Both, neither, another name, or a reserved name: no verdict.
class GeneralReading
{
public:
    struct Decision
    {
        std::optional<DomainStatus> verdict;
        std::string_view reason; // without a verdict
    };

    // `serverMarkers`: the wording of the answering server's own rule, read with the general
    // phrases; empty for a server without a rule.
    GeneralReading(AskedName name, std::span<const ReplyMarker> serverMarkers);

    void ReadLine(std::string_view line);
    Decision Conclude() const;

private:
    void ReadDomainValue(std::string_view value);

    AskedName m_name;
    std::span<const ReplyMarker> m_serverMarkers;
    bool m_valueOnNextLine = false;
    bool m_namesAskedName = false;
    bool m_namesAnotherName = false;
    bool m_notFound = false;
    bool m_reserved = false;
    bool m_serverSaysAvailable = false;
    bool m_serverSaysTaken = false;
};

// The phrases by which registries say they hold no such name, compared without regard to case
// or to the width of blanks. Each is used by at least two registries.
std::span<const std::string_view> NotFoundPhrases();
// Those that count only in a line that also names the asked name.
std::span<const std::string_view> NamedNotFoundPhrases();
// The phrases by which registries say a name cannot be registered at all.
std::span<const std::string_view> ReservedPhrases();
// Whether a line is a domain field; its value, when the line holds one.
std::optional<std::string_view> DomainFieldValue(std::string_view line);

// The name a reply about a name of the extension `tld` is about, for reading a reply whose question
// is not known: the first name of the extension a domain field gives, else the first the reply
// names at all, else a name of the extension that no reply names.
AskedName NameTheReplyIsAbout(std::string_view tld, std::string_view reply);
