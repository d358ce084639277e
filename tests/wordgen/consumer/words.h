/* The interpreter's side of the generated header. */
#ifndef WORDS_H
#define WORDS_H

#define NATIVEWORD(name) int name(int a, int b)

typedef struct {
    const char *name;
    int (*func)(int a, int b);
} NATIVE_WORD_LIST_T;

#endif
