#pragma once

// The one-time scene set-up, run after the window and its GL context exist: textures first
// (the scene goes untextured when neither loads), then the skin mesh, bones and rest normals.
void InitScene();
