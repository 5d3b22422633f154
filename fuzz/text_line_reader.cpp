// The text-file line reader on arbitrary file contents: every encoding mark, line end and byte.
#include "text/CTextLineReader.h"

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/qirv-fuzz-words-" + std::to_string(::getpid()) + ".txt";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    CTextLineReader reader(path);
    std::string line;
    std::size_t total = 0;
    while (reader.ReadLine(line)) {
        total += line.size();
        // Each input byte gives at most one character of at most four UTF-8 bytes.
        if (total > 4 * size + 4) {
            __builtin_trap();
        }
    }
    return 0;
}
