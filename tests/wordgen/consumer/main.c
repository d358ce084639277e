#include <stdio.h>
#include <string.h>

#include "words.h"
#define _NATIVEWORD_TABEL_SET_
#include "nativeword.h"

/* Looks up every word named on the command line and prints what it gives for (6, 3). */
int main(int argc, char **argv) {
    size_t count = sizeof g_native_word_table / sizeof g_native_word_table[0];
    printf("%zu words\n", count);
    for (int i = 1; i < argc; ++i) {
        size_t k = 0;
        while (k < count && strcmp(g_native_word_table[k].name, argv[i]) != 0) {
            ++k;
        }
        if (k == count) {
            printf("%s missing\n", argv[i]);
            return 1;
        }
        printf("%s %d\n", argv[i], g_native_word_table[k].func(6, 3));
    }
    return 0;
}
