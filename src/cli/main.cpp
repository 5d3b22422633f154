#include "CliCommands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    int status = kExitUsage;
    try {
        status = RunCli(argc, argv);
    } catch (const std::exception& error) {
        // A read that fails deep in a stream (a folder given as a file, a device) is a clear
        // message, never an abort.
        std::cerr << "qirv-cli: " << error.what() << '\n';
        return kExitUsage;
    }
    // Output that was lost fails the run: a script must not take a full disk for success.
    std::cout.flush();
    errno = 0;
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int reason = errno;
        std::cerr << "qirv-cli: cannot write to standard output"
                  << (reason != 0 ? std::string(": ") + std::strerror(reason) : std::string())
                  << '\n';
        return kExitUsage;
    }
    return status;
}
