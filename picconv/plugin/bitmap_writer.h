#ifndef PICCONV_PLUGIN_BITMAP_WRITER_H
#define PICCONV_PLUGIN_BITMAP_WRITER_H

#include <stdio.h>

#include "picconv/plugin/plugin_entries.h"

// Has the plug-in decode picturePath and writes the result as a Windows bitmap file into
// file (opened "wb"): header, info block, pixel block, then the header again with the
// final sizes. Every block written is freed. *pictureResult receives GetPicture's result
// (PLUGIN_ERR_NOT_IMPLEMENTED without GetPicture). Returns 1 when every byte was written.
// Blocks that fail the checks of bitmap_check.h are refused, the reason noted for the line's
// report: they are freed unwritten (a handle that is no live block is not touched, one block
// handed back as both is freed once), and the result is 0.
int writeBitmapFromHandles(FILE *file, const char *picturePath, const PLUGIN_ENTRIES_T *plugin,
                           int *pictureResult);

// The progress function handed to GetPicture: never asks the plug-in to stop.
int WINAPI progressCallback(int num, int denom, long data);

#endif
