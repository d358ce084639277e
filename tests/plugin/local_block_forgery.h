// Making a local memory block lie about its size, to see that the converter checks it.
#ifndef TESTS_PLUGIN_LOCAL_BLOCK_FORGERY_H
#define TESTS_PLUGIN_LOCAL_BLOCK_FORGERY_H

#include <stddef.h>

#include "winlayer/windows_layer.h"

// Whether blocks can be made to lie: only the Windows layer's stand-in blocks can; the
// system's own (on Windows) always tell their true size.
bool localBlockSizeCanBeForged();

// Makes block report size bytes, whatever its memory holds. Only when
// localBlockSizeCanBeForged().
void forgeLocalBlockSize(HLOCAL block, size_t size);

#endif
