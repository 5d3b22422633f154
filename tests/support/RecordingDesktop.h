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

// Answers each file dialog with the next path of its list, as chosen with the file type
// `filterAnswer`; an empty path (or none left) cancels. The last request is kept, and so is every
// file whose folder the next dialog is to open in.
class ScriptedFileDialogs : public FileDialogSeam
{
public:
    std::optional<ChosenFile> GetOpenFile(const FileDialogRequest& request) override
    {
        lastRequest = request;
        return Next(openAnswers, openAsked);
    }
    std::optional<ChosenFile> GetSaveFile(const FileDialogRequest& request) override
    {
        lastRequest = request;
        return Next(saveAnswers, saveAsked);
    }
    void KeepFolderOf(FileKind kind, const std::string& path) override
    {
        static_cast<void>(kind);
        keptFolderOf.push_back(path);
    }

    QStringList openAnswers;
    QStringList saveAnswers;
    std::size_t filterAnswer = 0;
    int openAsked = 0;
    int saveAsked = 0;
    FileDialogRequest lastRequest;
    std::vector<std::string> keptFolderOf;

private:
    std::optional<ChosenFile> Next(QStringList& answers, int& asked) const
    {
        ++asked;
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer.isEmpty()) {
            return std::nullopt;
        }
        return ChosenFile{answer.toStdString(), filterAnswer};
    }
};
