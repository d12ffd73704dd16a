#pragma once

// Screenshots: the frame kept for --screenshot FILE, written when the run ends, and the
// numbered files F12 asks for (skinning-demo-001.png, -002, ... in the working directory).
// Either is read back from the finished frame just before it is shown, so it holds exactly
// what goes on screen, the panel included when it is drawn.

// Opens --screenshot's file (fileName; null when there is none) once at start-up, so that a
// path that cannot be written fails before the run instead of after it. A file already there
// is opened without being truncated: it keeps its contents unless a screenshot replaces them.
// Non-blocking, so that a pipe with no reader fails instead of waiting for one. Remembers
// programName for every later message. Returns 1, or 0 after a line on standard error.
int ClaimScreenshotFile(const char *programName, const char *fileName);

// A file made by ClaimScreenshotFile is removed again when no picture went into it, so that a
// failed run leaves nothing behind, empty.
void ReleaseScreenshotFile();

// For the frame of width by height pixels complete in the back buffer, before it is shown:
// keeps a copy for --screenshot's file when there is one. Every frame drawn is kept, so the
// file gets the run's last frame however the run ends.
void KeepFrameForExit(int width, int height);

// The same frame, read back for the numbered screenshot asked for. Returns 1 when it is to be
// written (by SaveRequestedScreenshot, once the frame is on screen), or 0 after a line on
// standard error.
int CaptureRequestedScreenshot(int width, int height);

// Writes the frame read back for the numbered screenshot into the first free name from
// skinning-demo-001.png on (a file already there is never replaced; this run carries on from
// the number it used last), and names it in one line on standard output. When every number up
// to 999 is taken, or the file cannot be written, says so in one line on standard error.
void SaveRequestedScreenshot();

// Writes the last frame kept into --screenshot's file: PNG when the name ends in ".png" (any
// case), a 24-bit BMP otherwise. Returns 1 (also with no --screenshot), or 0 after a line on
// standard error when no frame was kept or the file cannot be written.
int SaveScreenshot();

// Frees the frames kept.
void FreeScreenshots();
