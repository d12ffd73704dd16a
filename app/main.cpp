#include "app/main_window.h"
#include "app/options.h"
#include "platform/platform.h"

#include <cstdio>

namespace {

// Large (it holds the key script), so not on the stack.
DemoOptions options;

} // namespace

int main(int argc, char **argv) {
    PlatformPrepareProcess(argv);
    const char *programName = "skinning_demo";
    char error[300] = "";
    switch (ParseOptions(argc, argv, options, error, sizeof error)) {
    case OptionsHelp:
        PrintUsage(stdout, programName);
        return 0;
    case OptionsInvalid:
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", programName, error,
                     programName);
        return 2;
    default:
        return RunDemo(options);
    }
}
