// What a plug-in hands back is checked before it is written or loaded: a broken or hostile
// header must cost only its own line, never a read past a block or a huge allocation.
#ifndef PICCONV_PLUGIN_BITMAP_CHECK_H
#define PICCONV_PLUGIN_BITMAP_CHECK_H

#include <stddef.h>
#include <stdint.h>

enum { CHECK_REASON_SIZE = 160 };

// 1 when info (infoSize bytes) is a BITMAPINFO that describes a picture of known depth and
// compression, non-zero size within the plug-in kit's limits, whose colour table lies inside
// info and whose rows fit in pixelSize bytes. Otherwise 0, with the reason in words in reason.
int checkBitmapBlocks(const uint8_t *info, size_t infoSize, size_t pixelSize,
                      char reason[CHECK_REASON_SIZE]);

#endif
