// main.cpp - the game's entry point: loads the real engine library (libengine.so, beside the
// executable) and runs the game on it. The game reads no command line and no environment.
#include <ctime>

#include "engine/engine.h"
#include "shell/shell.h"

int main() {
    if (!engine_load("libengine.so")) return 1;
    return run_game(static_cast<uint32_t>(std::time(nullptr)));
}
