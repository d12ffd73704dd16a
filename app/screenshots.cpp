#include "app/screenshots.h"

#include "image/bmp_writer.h"
#include "image/png_writer.h"
#include "render/frame_readback.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A frame read back from the GL: bottom row first, tightly packed RGB.
struct FrameCapture {
    unsigned char *pixels;
    int width;
    int height;
};

// --screenshot's file: its name, whether this run made it (and so removes it again when no
// picture goes into it) and whether the picture went in.
struct ScreenshotFile {
    const char *name;
    int created;
    int written;
};

// The numbered screenshots are named from 1 to this.
const int LastNumber = 999;

const char *programName = "skinning_demo";
ScreenshotFile screenshotFile;
FrameCapture lastFrame;      // for --screenshot
FrameCapture requestedFrame; // for the numbered file
int nextNumber = 1;          // where the search for a free name starts

// Returns 1 when the frame is in capture, resizing its buffer to the frame first.
int CaptureBackBuffer(FrameCapture &capture, int width, int height) {
    if (width <= 0 || height <= 0)
        return 0;
    if (width != capture.width || height != capture.height) {
        std::free(capture.pixels);
        capture.pixels = (unsigned char *)std::malloc((size_t)width * (size_t)height * 3);
        capture.width = capture.pixels ? width : 0;
        capture.height = capture.pixels ? height : 0;
        if (!capture.pixels)
            return 0;
    }
    ReadBackFrame(width, height, capture.pixels);
    return 1;
}

void FreeCapture(FrameCapture &capture) {
    std::free(capture.pixels);
    capture = FrameCapture{nullptr, 0, 0};
}

int NamesPng(const char *fileName) {
    size_t length = std::strlen(fileName);
    return length >= 4 && strcasecmp(fileName + length - 4, ".png") == 0;
}

void ReportWriteFailure(const char *fileName) {
    std::fprintf(stderr, "%s: cannot write %s: %s\n", programName, fileName,
                 errno ? std::strerror(errno) : "write failed");
}

// Creates the first numbered file that does not exist yet, trying every number once from
// nextNumber on and wrapping after the last, so that nothing already there is replaced (a
// symbolic link by that name counts as there). Returns its open descriptor with its name in
// name, or -1 after a line on standard error.
int CreateNumberedFile(char *name, size_t nameSize) {
    for (int tries = 0; tries < LastNumber; ++tries) {
        int number = (nextNumber - 1 + tries) % LastNumber + 1;
        std::snprintf(name, nameSize, "skinning-demo-%03d.png", number);
        int descriptor = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            nextNumber = number % LastNumber + 1;
            return descriptor;
        }
        if (errno != EEXIST) {
            ReportWriteFailure(name);
            return -1;
        }
    }
    std::fprintf(stderr,
                 "%s: no screenshot saved: skinning-demo-001.png to skinning-demo-%03d.png all "
                 "exist\n",
                 programName, LastNumber);
    return -1;
}

} // namespace

int ClaimScreenshotFile(const char *name, const char *fileName) {
    programName = name;
    screenshotFile = ScreenshotFile{fileName, 0, 0};
    if (!fileName)
        return 1;
    struct stat status;
    int existed = stat(fileName, &status) == 0;
    int descriptor =
        open(fileName, O_WRONLY | O_CLOEXEC | O_NONBLOCK | (existed ? 0 : O_CREAT), 0666);
    if (descriptor < 0) {
        ReportWriteFailure(fileName);
        return 0;
    }
    close(descriptor);
    screenshotFile.created = !existed;
    return 1;
}

void ReleaseScreenshotFile() {
    if (screenshotFile.created && !screenshotFile.written)
        std::remove(screenshotFile.name);
}

void KeepFrameForExit(int width, int height) {
    if (screenshotFile.name)
        CaptureBackBuffer(lastFrame, width, height);
}

int CaptureRequestedScreenshot(int width, int height) {
    if (CaptureBackBuffer(requestedFrame, width, height))
        return 1;
    std::fprintf(stderr, "%s: no screenshot saved: %s\n", programName,
                 width > 0 && height > 0 ? "out of memory" : "the window shows nothing");
    return 0;
}

void SaveRequestedScreenshot() {
    char name[32];
    int descriptor = CreateNumberedFile(name, sizeof name);
    if (descriptor < 0)
        return;
    errno = 0;
    std::FILE *file = fdopen(descriptor, "wb");
    int ok = file && WritePngToFile(file, requestedFrame.width, requestedFrame.height,
                                    requestedFrame.pixels);
    if (!file)
        close(descriptor);
    else if (std::fclose(file) != 0)
        ok = 0;
    if (!ok) {
        ReportWriteFailure(name);
        std::remove(name); // made just now by this run, and not a whole picture
        return;
    }
    std::printf("saved %s\n", name);
    std::fflush(stdout);
}

int SaveScreenshot() {
    const char *fileName = screenshotFile.name;
    if (!fileName)
        return 1;
    if (!lastFrame.pixels) {
        std::fprintf(stderr, "%s: no frame was drawn, so there is no screenshot\n", programName);
        return 0;
    }
    errno = 0;
    int ok = NamesPng(fileName)
                 ? WritePng(fileName, lastFrame.width, lastFrame.height, lastFrame.pixels)
                 : WriteBmp24(fileName, lastFrame.width, lastFrame.height, lastFrame.pixels);
    if (!ok) {
        ReportWriteFailure(fileName);
        return 0;
    }
    screenshotFile.written = 1;
    return 1;
}

void FreeScreenshots() {
    FreeCapture(lastFrame);
    FreeCapture(requestedFrame);
}
