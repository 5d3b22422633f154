#include "RegistryExtensions.h"

#include <algorithm>
#include <libpsl.h>
#include <memory>

namespace {

struct SuffixListDeleter
{
    void operator()(psl_ctx_t* list) const { psl_free(list); }
};

// The newer of the publicsuffix package's list and the copy built into libpsl.
const psl_ctx_t* SuffixList()
{
    static const std::unique_ptr<psl_ctx_t, SuffixListDeleter> latest(psl_latest(nullptr));
    return latest ? latest.get() : psl_builtin();
}

std::string LowerCase(const std::string& text)
{
    char* lower = nullptr;
    if (psl_str_to_utf8lower(text.c_str(), "utf-8", nullptr, &lower) != PSL_SUCCESS || !lower) {
        return text;
    }
    std::string result(lower);
    psl_free_string(lower);
    return result;
}

// Labels of letters, digits and hyphens, or of non-ASCII letters (an internationalised label).
// The list's wildcard rules ("*.ck") would otherwise take any text as a label.
bool HasOnlyHostLabels(std::string_view suffix)
{
    std::size_t labelLength = 0;
    for (const char c : suffix) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '.') {
            if (labelLength == 0) {
                return false;
            }
            labelLength = 0;
        } else if (byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') {
            ++labelLength;
        } else {
            return false;
        }
    }
    return labelLength > 0;
}

} // namespace

std::optional<std::string> RegistryExtension(std::string_view typed)
{
    const std::string_view undotted = typed.starts_with('.') ? typed.substr(1) : typed;
    if (undotted.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string suffix = LowerCase(std::string(undotted));
    const psl_ctx_t* list = SuffixList();
    // Without the star rule, a suffix the list does not name (an unknown top-level domain) is
    // not taken for one.
    if (!list || !HasOnlyHostLabels(suffix) ||
        psl_is_public_suffix2(list, suffix.c_str(), PSL_TYPE_ICANN | PSL_TYPE_NO_STAR_RULE) == 0) {
        return std::nullopt;
    }
    return "." + suffix;
}

TypedExtensions ReadTypedExtensions(std::string_view text)
{
    TypedExtensions result;
    const auto isSeparator = [](char c) {
        return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n';
    };
    std::size_t index = 0;
    while (index < text.size()) {
        if (isSeparator(text[index])) {
            ++index;
            continue;
        }
        const std::size_t start = index;
        while (index < text.size() && !isSeparator(text[index])) {
            ++index;
        }
        const std::string_view typed = text.substr(start, index - start);
        if (std::optional<std::string> extension = RegistryExtension(typed)) {
            result.valid.push_back(std::move(*extension));
        } else {
            result.invalid.emplace_back(typed);
        }
    }
    return result;
}

void AppendNewExtensions(std::vector<std::string>& extensions, const std::vector<std::string>& more)
{
    for (const std::string& extension : more) {
        if (std::find(extensions.begin(), extensions.end(), extension) == extensions.end()) {
            extensions.push_back(extension);
        }
    }
}
