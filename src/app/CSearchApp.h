#pragma once

#include <QString>
#include <functional>
#include <optional>

class MessageBoxSeam;
class QWidget;
struct ServerAddress;

// The program: checks that TCP sockets can be made, then runs the main window until it closes.
class CSearchApp
{
public:
    // Reads the command line (--whois-server HOST[:PORT]); a QApplication must exist.
    CSearchApp();

    // Runs the program. Returns false always: the program ends when the window closes, or at
    // once when the socket layer is unavailable or the command line is wrong.
    bool InitInstance();

    // The help file: the program's own name with ".chm", beside the program.
    static QString HelpFilePath();

    // The main window opens where it was last closed; without a remembered place (the first
    // run), where it always opened. A place off every screen of today is moved onto one.
    static void RestoreWindowPlace(QWidget& window);
    static void RememberWindowPlace(const QWidget& window);

    // Whether the system can make a TCP socket; replaceable for tests.
    void SetSocketLayerCheck(std::function<bool()> isAvailable)
    {
        m_isSocketLayerAvailable = std::move(isAvailable);
    }
    // The boxes of the start-up failure; the window's own boxes by default.
    void SetMessageBoxes(MessageBoxSeam* messageBoxes) { m_messageBoxes = messageBoxes; }
    // What the process ends with: 0, 1 without a socket layer, 2 for a wrong command line.
    int ExitCode() const { return m_exitCode; }

private:
    std::function<bool()> m_isSocketLayerAvailable;
    MessageBoxSeam* m_messageBoxes = nullptr;
    int m_exitCode = 0;
};

bool IsSocketLayerAvailable();
