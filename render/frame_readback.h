#pragma once

// Copies the frame just drawn (the back buffer, before it is presented) into pixels: width *
// height tightly packed red-green-blue triples, bottom row first. The GL's pack alignment is
// set to whole bytes for the copy and restored after it.
void ReadBackFrame(int width, int height, unsigned char *pixels);
