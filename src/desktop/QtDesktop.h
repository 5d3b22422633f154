#pragma once

#include "seams/DesktopSeams.h"

// The desktop's clipboard and its "open" action for addresses.
class QtClipboard : public ClipboardSeam
{
public:
    void SetText(const std::string& text) override;
};

class QtUrlOpener : public UrlOpenerSeam
{
public:
    void Open(const std::string& url) override;
};
