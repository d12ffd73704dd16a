#pragma once

// Returns the first GL error flag that is raised (GL_NO_ERROR, 0, when none) and clears all of
// them, so the next check starts clean. Needs a current GL context.
unsigned int TakeGlError();

// Call once after every frame. In debug builds it reports on standard error any GL error the
// frame raised, so a misused call shows up the moment it is made; in release builds it does
// nothing, because asking for errors can stall a pipelined driver.
void CheckGlAfterFrame();
