// The text-file line reader on arbitrary file contents, against a reference decoder written
// plainly from the reader's documented behaviour: the whole file decoded at once, then split.
#include "text/CTextLineReader.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& text, char32_t character)
{
    if (character < 0x80) {
        text += static_cast<char>(character);
    } else if (character < 0x800) {
        text += static_cast<char>(0xC0 | (character >> 6));
        text += static_cast<char>(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        text += static_cast<char>(0xE0 | (character >> 12));
        text += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (character >> 18));
        text += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (character & 0x3F));
    }
}

// A lead byte announces 1 to 3 continuation bytes; a bad lead, a missing continuation (the byte
// that is not one starts the next character) and an overlong, surrogate or too large value each
// give one replacement character.
std::vector<char32_t> DecodeUtf8(std::string_view bytes)
{
    std::vector<char32_t> characters;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at++]);
        int following = 0;
        char32_t value = 0;
        char32_t smallest = 0;
        if (lead < 0x80) {
            characters.push_back(lead);
            continue;
        }
        if (lead >= 0xC0 && lead < 0xE0) {
            following = 1;
            value = lead & 0x1Fu;
            smallest = 0x80;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            following = 2;
            value = lead & 0x0Fu;
            smallest = 0x800;
        } else if (lead >= 0xF0 && lead < 0xF8) {
            following = 3;
            value = lead & 0x07u;
            smallest = 0x10000;
        } else {
            characters.push_back(kReplacement);
            continue;
        }
        bool cut = false;
        for (int index = 0; index < following; ++index) {
            if (at == bytes.size() || (static_cast<unsigned char>(bytes[at]) & 0xC0) != 0x80) {
                cut = true;
                break;
            }
            value = (value << 6) | (static_cast<unsigned char>(bytes[at++]) & 0x3Fu);
        }
        const bool bad =
            cut || value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF);
        characters.push_back(bad ? kReplacement : value);
    }
    return characters;
}

// Code units as they come, a dangling last byte dropped; surrogates are paired within a line.
std::vector<char32_t> DecodeUtf16(std::string_view bytes, bool littleEndian)
{
    std::vector<char32_t> units;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        units.push_back(littleEndian ? char32_t(first | (second << 8))
                                     : char32_t((first << 8) | second));
    }
    return units;
}

std::string Utf16LineToUtf8(const std::vector<char32_t>& units)
{
    std::string line;
    for (std::size_t at = 0; at < units.size(); ++at) {
        const char32_t unit = units[at];
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < units.size() && units[at + 1] >= 0xDC00 &&
            units[at + 1] <= 0xDFFF) {
            AppendUtf8(line, 0x10000 + ((unit - 0xD800) << 10) + (units[at + 1] - 0xDC00));
            ++at;
        } else {
            AppendUtf8(line, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
        }
    }
    return line;
}

std::vector<std::string> ReferenceLines(std::string_view bytes)
{
    enum class Kind
    {
        Plain,
        Utf8,
        Utf16,
    };
    Kind kind = Kind::Plain;
    std::vector<char32_t> characters;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        kind = Kind::Utf16;
        characters = DecodeUtf16(bytes.substr(2), bytes[0] == '\xFF');
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        kind = Kind::Utf8;
        characters = DecodeUtf8(bytes.substr(3));
    } else {
        for (const char byte : bytes) {
            characters.push_back(static_cast<unsigned char>(byte));
        }
    }
    // One line end at the very start is skipped; CR LF, LF and CR end a line, and a last line end
    // starts no empty line.
    std::size_t at = 0;
    const auto skipLineEnd = [&] {
        if (at < characters.size() && characters[at] == '\r') {
            ++at;
            if (at < characters.size() && characters[at] == '\n') {
                ++at;
            }
        } else if (at < characters.size() && characters[at] == '\n') {
            ++at;
        }
    };
    skipLineEnd();
    std::vector<std::string> lines;
    while (at < characters.size()) {
        std::vector<char32_t> line;
        while (at < characters.size() && characters[at] != '\r' && characters[at] != '\n') {
            line.push_back(characters[at++]);
        }
        std::string text;
        if (kind == Kind::Utf16) {
            text = Utf16LineToUtf8(line);
        } else {
            for (const char32_t character : line) {
                if (kind == Kind::Utf8) {
                    AppendUtf8(text, character);
                } else {
                    text += static_cast<char>(character);
                }
            }
        }
        lines.push_back(std::move(text));
        skipLineEnd();
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/qirv-fuzz-words-" + std::to_string(::getpid()) + ".txt";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::vector<std::string> lines;
    {
        CTextLineReader reader(path);
        std::string line;
        while (reader.ReadLine(line)) {
            lines.push_back(line);
        }
    }
    std::remove(path.c_str());
    if (lines != ReferenceLines(std::string_view(reinterpret_cast<const char*>(data), size))) {
        __builtin_trap();
    }
    return 0;
}
