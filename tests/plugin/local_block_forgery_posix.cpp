#include "tests/plugin/local_block_forgery.h"

bool localBlockSizeCanBeForged() {
    return true;
}

void forgeLocalBlockSize(HLOCAL block, size_t size) {
    localBlockHeader(block)->size = size;
}
