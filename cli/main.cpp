// dbf2xml: converts tables from the command line.
#include <unistd.h>

#include <clocale>
#include <iostream>

#include "cli/Cli.h"
#include "dbf/DbfGlobals.h"
#include "platform/Settings.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    korvane::platform::LoadRegionalSettingsFromLocale();
    korvane::dbf::DbfGlobals();
    std::vector<std::string> args(argv + 1, argv + argc);
    return korvane::cli::RunCli(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
