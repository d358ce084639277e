#ifndef PICCONV_IMAGING_LIMIT_INT_H
#define PICCONV_IMAGING_LIMIT_INT_H

// value limited to low..high. Inline: the samplers and the dithering limit every channel.
inline int limitInt(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

#endif
