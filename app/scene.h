#pragma once

// The one-time scene set-up, run after the window and its GL context exist: textures first
// (the scene goes untextured when neither loads), then the skin mesh, bones and rest normals.
// Each texture comes from the first of these folders that has a file by its name: the working
// directory, the source tree's assets/ the build knows, then the installed data folder
// (share/skinning_demo/ beside the bin/ the program runs from).
void InitScene();
