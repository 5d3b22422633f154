#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Exit statuses of qirv-cli.
enum CliExitStatus
{
    kExitSuccess = 0,
    kExitSomeFailed = 1,
    kExitUsage = 2,
};

int RunCli(int argc, char** argv);
int RunServerCommand(const std::vector<std::string>& names);
int RunClassifyCommand(const std::vector<std::string>& arguments);
// Runs inside a QCoreApplication; returns once every name has its result line.
int RunCheckCommand(const std::vector<std::string>& arguments);
int RunGenerateCommand(const std::vector<std::string>& arguments);
int RunWordsCommand(const std::vector<std::string>& arguments);

void PrintUsage(std::FILE* stream);
