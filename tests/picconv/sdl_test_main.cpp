// Unit tests make surfaces; SDL is started the way the converter starts it.
#include <stdlib.h>

#include <gtest/gtest.h>

#include "SDL.h"

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    SDL_Quit();
    return result;
}
