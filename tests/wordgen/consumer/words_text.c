#include "words.h"

NATIVEWORD(nw_first) { /* first */
    (void)b;
    return a;
}
