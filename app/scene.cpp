#include "app/scene.h"

#include "demo/demo_state.h"
#include "image/textures.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "render/renderer.h"

#include <cstdio>
#include <cstring>

namespace {

// Room for the installed data folder's name.
const int FolderNameSize = 4096;

char installedDataFolder[FolderNameSize];

// The loader's messages go into the error box, or onto standard error where no box can show.
void ReportImageError(const char *fileName, const char *text) {
    if (!ShowErrorBox(text))
        PrintImageError(fileName, text);
}

// Drops the last name from a folder that ends with a slash ("/opt/demo/bin/" becomes
// "/opt/demo/"). Returns 0 when there is none to drop.
int DropLastFolder(char *folder) {
    size_t length = std::strlen(folder);
    if (length < 2)
        return 0;
    size_t cut = length - 1; // the slash at the end
    while (cut > 0 && folder[cut - 1] != '/')
        --cut;
    if (cut == 0)
        return 0;
    folder[cut] = '\0';
    return 1;
}

// The data folder of the installed tree the program runs from: SKIN_DATA_FROM_PROGRAM (such as
// "../share/skinning_demo") taken from the program's own folder, so that a tree moved as a whole
// still finds its textures. The program's folder comes with symbolic links resolved, so each
// leading "../" can simply drop a name from it. Returns 0 when the folder cannot be told.
int FindInstalledDataFolder(char *folder, int size) {
    if (!PlatformProgramFolder(folder, size))
        return 0;
    const char *relative = SKIN_DATA_FROM_PROGRAM;
    while (std::strncmp(relative, "../", 3) == 0) {
        if (!DropLastFolder(folder))
            return 0;
        relative += 3;
    }
    size_t used = std::strlen(folder);
    return std::snprintf(folder + used, size - used, "%s", relative) < (int)(size - used);
}

// Where the textures are looked for, first to last: the working directory, the source tree's
// assets/ that the build was configured from, and the installed data folder. Returns how many.
int TextureFolders(const char **folders) {
    int count = 0;
    folders[count++] = "";
    folders[count++] = SKIN_SOURCE_ASSETS_DIR;
    if (FindInstalledDataFolder(installedDataFolder, sizeof installedDataFolder))
        folders[count++] = installedDataFolder;
    return count;
}

} // namespace

void InitScene() {
    SetImageErrorReporter(ReportImageError);
    const char *folders[3];
    int folderCount = TextureFolders(folders);
    if (!LoadTextures(folders, folderCount, &skinTexture, &floorTexture))
        demoState.texturesOff = 1;
    InitSkinAndBones();
}
