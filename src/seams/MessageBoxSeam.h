#pragma once

#include <string>

enum class MessageBoxIcon
{
    None,
    Stop,
};

// Every message box the program shows goes through this, so that the window shows a real modal
// box, the command-line tool prints the text, and tests record it instead of blocking on it.
// Implementations caption the box with the program's name and give it a single OK button.
class MessageBoxSeam
{
public:
    virtual ~MessageBoxSeam() = default;
    virtual void Show(const std::string& text, MessageBoxIcon icon) = 0;
};
