#include "app/keyboard.h"

#include "app/key_bindings.h"

int HandleKeyDown(int keyCode) {
    const KeyBinding *binding = FindKeyBinding(keyCode);
    if (!binding)
        return 0;
    DemoCommand command = {binding->command, binding->index, binding->value,
                           Vector3{0.0f, 0.0f, 0.0f}};
    return RunCommand(command);
}

void HandleKeyUp(int keyCode) {
    const KeyBinding *binding = FindKeyBinding(keyCode);
    if (!binding || binding->command != CommandSteer)
        return;
    DemoCommand command = {CommandStopSteer, binding->index, 0.0, Vector3{0.0f, 0.0f, 0.0f}};
    RunCommand(command);
}
