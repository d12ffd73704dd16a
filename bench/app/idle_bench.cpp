// CPU cost of a paced run of the real program: CPU seconds per wall second with the scene
// animating (the start state) and paused (P and R pressed: nothing moves, so frames that would
// repeat the one on screen are skipped), and the paused figure as a share of the animating one.
//
//   idle_bench [SECONDS]
//
// Each state runs twice, SECONDS and 2 x SECONDS long (default 5), and the figure is the
// difference of the two runs, which takes out the cost of starting up and shutting down. Runs on
// the display in DISPLAY when there is one (a real window), headless otherwise.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <time.h>

namespace {

struct RunFigures {
    double wallSeconds;
    double cpuSeconds;
};

double WallSeconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + now.tv_nsec * 1e-9;
}

// User and system time of every child process waited for so far.
double ChildrenCpuSeconds() {
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    return (double)usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 +
           (double)usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6;
}

// One run of the demo from the assets folder, ended by an Escape scripted after ticks ticks.
int RunDemo(const std::string &keys, int ticks, RunFigures &figures) {
    std::string command = "cd '" SKIN_ASSETS_DIR "' && '" DEMO_BINARY "'";
    if (!std::getenv("DISPLAY"))
        command += " --headless";
    command += " --keys '" + keys + std::to_string(ticks) + ":Escape'";
    double wallBefore = WallSeconds(), cpuBefore = ChildrenCpuSeconds();
    int status = std::system(command.c_str());
    figures.wallSeconds = WallSeconds() - wallBefore;
    figures.cpuSeconds = ChildrenCpuSeconds() - cpuBefore;
    return status == 0;
}

// CPU seconds per wall second, start-up and shut-down taken out. The CPU time is the program's
// own (with the threads of the software rasteriser), as the system counted it.
int SteadyCpuShare(const std::string &keys, int seconds, double &share) {
    RunFigures shortRun, longRun;
    const int ticksPerSecond = 100;
    if (!RunDemo(keys, seconds * ticksPerSecond, shortRun) ||
        !RunDemo(keys, 2 * seconds * ticksPerSecond, longRun))
        return 0;
    share =
        (longRun.cpuSeconds - shortRun.cpuSeconds) / (longRun.wallSeconds - shortRun.wallSeconds);
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (seconds < 1)
        seconds = 1;
    double animating = 0.0, paused = 0.0;
    if (!SteadyCpuShare("", seconds, animating) || !SteadyCpuShare("1:P 1:R ", seconds, paused)) {
        std::fprintf(stderr, "idle_bench: a run of %s failed\n", DEMO_BINARY);
        return 1;
    }
    std::printf("%s, paced, %d s and %d s runs\n", std::getenv("DISPLAY") ? "window" : "headless",
                seconds, 2 * seconds);
    std::printf("animating: %.4f cpu s per wall s\n", animating);
    std::printf("paused:    %.4f cpu s per wall s (%.3f of animating)\n", paused,
                animating > 0.0 ? paused / animating : 0.0);
    return 0;
}
