/* The bitmap header types and constants of <windows.h>, for the BITMAPINFO block a picture
 * plug-in hands back: a 40-byte BITMAPINFOHEADER, then the colour table of RGBQUADs (or three
 * DWORD masks with BI_BITFIELDS). The fields are laid out as on Windows; the block is read as
 * little-endian, which is the machine's own order on every platform the kit is built for. */
#ifndef WINLAYER_POSIX_WIN_BITMAP_H
#define WINLAYER_POSIX_WIN_BITMAP_H

#include "win_types.h"

#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize; /* 40 */
    LONG biWidth;
    LONG biHeight; /* positive: bottom row first */
    WORD biPlanes; /* 1 */
    WORD biBitCount;
    DWORD biCompression; /* BI_RGB, BI_RLE8, BI_RLE4 or BI_BITFIELDS */
    DWORD biSizeImage;   /* bytes of pixel rows; may be 0 for BI_RGB */
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed; /* colour table entries; 0: 2^biBitCount up to 8 bits */
    DWORD biClrImportant;
} BITMAPINFOHEADER, *PBITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD, *LPRGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1]; /* as many as the header says */
} BITMAPINFO, *PBITMAPINFO, *LPBITMAPINFO;

/* Fails to compile should a compiler lay the records out otherwise than Windows does. */
typedef char WIN_BITMAP_LAYOUT_CHECK
    [(sizeof(BITMAPINFOHEADER) == 40 && sizeof(RGBQUAD) == 4 && sizeof(BITMAPINFO) == 44) ? 1 : -1];

#endif
