#include "seams/FileDialogSeam.h"

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
