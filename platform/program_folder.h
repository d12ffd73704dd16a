#pragma once

// The folder that holds the running program's file (symbolic links resolved), ending with a
// slash, copied into folder, which has room for size bytes. Returns 1, or 0 when the system
// cannot tell or the name does not fit. Needs no PlatformInit.
int PlatformProgramFolder(char *folder, int size);
