// dbf2xml: converts tables from the command line.
#include <clocale>
#include <ostream>

#include "cli/Cli.h"
#include "platform/Console.h"
#include "platform/Settings.h"
#include "platform/SignalCleanup.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    // Ctrl-C, a closed terminal or a kill removes a half-written document before the end.
    korvane::platform::InstallSignalCleanup();
    // A standard stream the shell closed gets the null device, so that no table or document
    // opened later takes its place; that standard output was closed is remembered for "-o -".
    korvane::platform::StandardStreams streams;
    if (!korvane::platform::PrepareStandardStreams(streams)) return 1;
    korvane::cli::Environment environment;
    environment.settings = korvane::platform::SettingsFromLocale();
    environment.outputOpen = streams.outputOpen;
    environment.outputOnErrorTerminal = streams.outputOnErrorTerminal;
    std::ostream& out = korvane::platform::MessageOutput();
    std::ostream& err = korvane::platform::MessageError();
    const int status =
        korvane::cli::RunCli(korvane::platform::ProgramArguments(argc, argv), out, err, streams.errorIsTerminal, environment);
    out.flush();
    err.flush();
    korvane::cli::EndBySignalHeldBack(status);
    return status;
}
