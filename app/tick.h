#pragma once

// One step of all motion: turns the camera, applies the manual joint velocities in the forward
// mode and swings the joints in the play animation. Motion is per tick, not per unit of time.
// The caller asks for the repaint that shows it.
void AnimationTick();

// The step a joint is given when it reaches a play-animation limit: speed + 0.5, truncated
// (1 for speeds 0.5 and 1.0, up to 4 for 3.5 and 4.0).
int ReversalStep(double speed);
