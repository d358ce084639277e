// Unit tests make surfaces; SDL is started the way the converter starts it.
#include <gtest/gtest.h>

#include "SDL.h"

#include "platform/process.h"

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setEnvironmentDefault("SDL_VIDEODRIVER", "dummy");
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    SDL_Quit();
    return result;
}
