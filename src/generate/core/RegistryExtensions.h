#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Extensions beyond the nine check boxes. One is taken when the ICANN section of the public
// suffix list names it: the suffixes under which a registry hands out names, the ones a whois or
// RDAP server can answer for. The list's private section (".github.io", ".blogspot.com") is left
// out: names there are handed out by a company, no registry knows them, and asking the registry
// of the last label about one would answer "Available!" for a name nobody can register.

// The extension in the form names are made with (leading dot, lower case, internationalised
// labels kept in UTF-8: ".co.uk", ".рф"), or nothing when `typed` (with or without its leading
// dot) is not such a suffix.
std::optional<std::string> RegistryExtension(std::string_view typed);

struct TypedExtensions
{
    std::vector<std::string> valid;   // as RegistryExtension gives them, in typed order
    std::vector<std::string> invalid; // as typed
};

// The extensions of a text such as ".io .dev, .co.uk": separated by blanks or commas.
TypedExtensions ReadTypedExtensions(std::string_view text);

// Appends each extension of `more` that `extensions` does not hold yet, in the order given.
void AppendNewExtensions(std::vector<std::string>& extensions,
                         const std::vector<std::string>& more);
