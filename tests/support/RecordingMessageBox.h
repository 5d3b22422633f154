#pragma once

#include "seams/MessageBoxSeam.h"

#include <string>
#include <vector>

// Records every message box instead of showing it, so no test ever waits on a modal window.
class RecordingMessageBox : public MessageBoxSeam
{
public:
    struct Shown
    {
        std::string text;
        MessageBoxIcon icon;
    };

    void Show(const std::string& text, MessageBoxIcon icon) override
    {
        shown.push_back({text, icon});
    }

    bool Ask(const std::string& question) override
    {
        asked.push_back(question);
        return answer;
    }

    std::vector<Shown> shown;
    std::vector<std::string> asked;
    bool answer = true; // what every question gets
};
