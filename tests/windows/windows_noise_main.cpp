// picconv as built for Linux, but drawing the Windows C runtime's noise: its files can be
// compared with those of the Windows build.
#include "picconv/driver/converter.h"
#include "picconv/imaging/dither_noise.h"

int main(int argc, char **argv) {
    selectNoiseSequence(NOISE_SEQUENCE_WINDOWS);
    return runConverter(argc, argv);
}
