#include "words.h"

NATIVEWORD(nw_add) { /* add */
    return a + b;
}

NATIVEWORD(nw_sub) { /* sub */
    return a - b;
}
