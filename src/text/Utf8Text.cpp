#include "Utf8Text.h"

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

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t index) {
        return static_cast<unsigned char>(text[at + index]);
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t index = 2; index < length; ++index) {
        if (byte(index) < 0x80 || byte(index) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::string PrintableServerText(std::string_view text, std::size_t longest)
{
    std::string printable;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size();) {
        if (characters == longest) {
            printable += "...";
            break;
        }
        const std::size_t length = Utf8SequenceLength(text, at);
        const auto lead = static_cast<unsigned char>(text[at]);
        const bool isC1 =
            length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
        if (length == 0) {
            printable += '?';
            ++characters;
            ++at;
            continue;
        }
        if (lead == '\t') {
            printable += ' ';
            ++characters;
        } else if (lead >= 0x20 && lead != 0x7F && !isC1) {
            printable.append(text.substr(at, length));
            ++characters;
        }
        at += length;
    }
    return printable;
}

std::string EscapedForTerminal(std::string_view text)
{
    std::string printed;
    printed.reserve(text.size());
    const auto hex = [&](const char* prefix, unsigned value) {
        static constexpr char kDigits[] = "0123456789abcdef";
        printed += prefix;
        printed += kDigits[(value >> 4) & 0xF];
        printed += kDigits[value & 0xF];
    };
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            hex("\\x", lead);
            ++at;
            continue;
        }
        if (length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
            hex("\\u00", static_cast<unsigned char>(text[at + 1]));
            at += 2;
            continue;
        }
        switch (lead) {
        case '\t':
            printed += "\\t";
            break;
        case '\r':
            printed += "\\r";
            break;
        case '\n':
            printed += "\\n";
            break;
        case '\\':
            printed += "\\\\";
            break;
        default:
            if (lead < 0x20 || lead == 0x7F) {
                hex("\\x", lead);
            } else {
                printed.append(text.substr(at, length));
            }
        }
        at += length;
    }
    return printed;
}
