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
    // A Yes/No question with No as the default; true for Yes. Where there is nobody to ask
    // (the command-line tool, benchmarks) the answer is Yes.
    virtual bool Ask(const std::string& question)
    {
        static_cast<void>(question);
        return true;
    }
};
