#include "tests/plugin/local_block_forgery.h"

bool localBlockSizeCanBeForged() {
    return false;
}

void forgeLocalBlockSize(HLOCAL block, size_t size) {
    (void)block;
    (void)size;
}
