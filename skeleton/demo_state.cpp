#include "skeleton/demo_state.h"

DemoState demoState;
