#pragma once

#include <string>

// The clipboard, so that copies can be checked byte for byte.
class ClipboardSeam
{
public:
    virtual ~ClipboardSeam() = default;
    // Replaces the clipboard's content with this text (UTF-8 bytes).
    virtual void SetText(const std::string& text) = 0;
};

// The desktop's "open" action for web addresses: never a shell, so a name holding blanks or
// quotes opens as one address or not at all.
class UrlOpenerSeam
{
public:
    virtual ~UrlOpenerSeam() = default;
    virtual void Open(const std::string& url) = 0;
};
