#!/usr/bin/env python3
"""Makes the seeds of the picconv fuzz targets (fuzz/corpus/picconv_record/ and
fuzz/corpus/picconv_bitmap/): a few command lines, and a few small pictures of each depth and
compression as a plug-in hands them back, behind the target's 9-byte prefix."""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'corpus')


def save(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as out:
        out.write(data)


def info(width, height, bits, compression=0, colours=0, header_size=40, extra=b''):
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression, 0, 2835, 2835,
                         colours, 0)
    header = struct.pack('<I', header_size) + header[4:]
    return header + bytes(header_size - 40) + extra


def rows(width, height, bits, seed):
    stride = (width * bits + 31) // 32 * 4
    return bytes((seed + 7 * i) & 0xFF for i in range(stride * abs(height)))


def palette(count):
    return b''.join(struct.pack('<BBBB', 40 * i & 0xFF, 90 * i & 0xFF, 200 - 30 * i & 0xFF, 0)
                    for i in range(count))


def bitmap_seed(name, info_block, pixels, quads=(0, 0, 6, 5, 7, 9), delivery=0):
    prefix = bytes(q & 0xFF for q in quads) + struct.pack('<HB', len(info_block), delivery)
    save('picconv_bitmap', name, prefix + info_block + pixels)


for name, text in [('plain', 'ifpng.spi|a.png|a.pmbp|0,0,320,240|0,0,160,120\n'),
                   ('spaces', 'a.spi| pic.jpg |out.bin|-5 6 7 8|0x0/3/3|more|bars\n'),
                   ('short', 'a|b|c|d\n'),
                   ('wrapped', 'a|b|c|99999,65533,70000,131071|0,0,2,65541')]:
    save('picconv_record', name, text.encode())

bitmap_seed('rgb24', info(6, 5, 24), rows(6, 5, 24, 1))
bitmap_seed('topdown24', info(6, -5, 24), rows(6, 5, 24, 2))
bitmap_seed('rgb32', info(6, 5, 32), rows(6, 5, 32, 3))
bitmap_seed('pal8', info(6, 5, 8, colours=4, extra=palette(4)), rows(6, 5, 8, 0))
bitmap_seed('pal4', info(6, 5, 4, extra=palette(16)), rows(6, 5, 4, 4))
bitmap_seed('pal1', info(6, 5, 1, extra=palette(2)), rows(6, 5, 1, 5))
bitmap_seed('fields565', info(6, 5, 16, 3, extra=struct.pack('<III', 0xF800, 0x07E0, 0x001F)),
            rows(6, 5, 16, 6))
masks = struct.pack('<IIII', 0xFF0000, 0xFF00, 0xFF, 0xFF000000)
bitmap_seed('v5argb', info(6, 5, 32, 3, header_size=124)[:40] + masks + bytes(124 - 56),
            rows(6, 5, 32, 7))
# Runs of 3 and a literal of 3 on each row, then the end of the picture.
rle8 = b''.join(b'\x03\x01\x00\x03\x02\x03\x01\x00\x00' for _ in range(5)) + b'\x00\x01'
bitmap_seed('rle8', info(6, 5, 8, 1, colours=4, extra=palette(4)), rle8)
rle4 = b''.join(b'\x06\x12\x00\x00' for _ in range(5)) + b'\x00\x01'
bitmap_seed('rle4', info(6, 5, 4, 2, colours=3, extra=palette(3)), rle4)
bitmap_seed('failed', b'', b'', delivery=7)
bitmap_seed('negative_rect', info(6, 5, 24), rows(6, 5, 24, 8), quads=(-3, -2, 20, 20, 32, 13))
