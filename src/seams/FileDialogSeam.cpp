#include "seams/FileDialogSeam.h"

namespace {

std::optional<std::string> PathOf(const std::optional<ChosenFile>& chosen)
{
    if (!chosen || chosen->path.empty()) {
        return std::nullopt;
    }
    return chosen->path;
}

} // namespace

std::optional<std::string> FileDialogSeam::GetOpenFileName()
{
    return PathOf(GetOpenFile(FileDialogRequest{}));
}

std::optional<std::string> FileDialogSeam::GetSaveFileName()
{
    return PathOf(GetSaveFile(FileDialogRequest{FileKind::DomainList}));
}

std::string WithTextExtension(std::string path)
{
    const auto nameStart = path.rfind('/');
    const std::string_view name = nameStart == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(nameStart + 1);
    if (name.find('.') == std::string_view::npos) {
        path += ".txt";
    }
    return path;
}
