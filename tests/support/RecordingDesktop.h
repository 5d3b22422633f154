#pragma once

#include "seams/DesktopSeams.h"
#include "seams/FileDialogSeam.h"

#include <QStringList>
#include <string>
#include <vector>

// Stand-ins for the desktop: they write down what the program asked for.
class RecordingClipboard : public ClipboardSeam
{
public:
    void SetText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

class RecordingUrlOpener : public UrlOpenerSeam
{
public:
    void Open(const std::string& url) override { urls.push_back(url); }
    std::vector<std::string> urls;
};

// Answers each file dialog with the next path of its list; an empty path (or none left)
// cancels.
class ScriptedFileDialogs : public FileDialogSeam
{
public:
    std::optional<std::string> GetOpenFileName() override { return Next(openAnswers, openAsked); }
    std::optional<std::string> GetSaveFileName() override { return Next(saveAnswers, saveAsked); }

    QStringList openAnswers;
    QStringList saveAnswers;
    int openAsked = 0;
    int saveAsked = 0;

private:
    static std::optional<std::string> Next(QStringList& answers, int& asked)
    {
        ++asked;
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer.isEmpty()) {
            return std::nullopt;
        }
        return answer.toStdString();
    }
};
