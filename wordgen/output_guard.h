// What the header may never replace.
#ifndef WORDGEN_OUTPUT_GUARD_H
#define WORDGEN_OUTPUT_GUARD_H

// 1 when the header may be written at outputPath. 0, after "wordgen: cannot write PATH: REASON"
// on standard error, when a regular file there is one of the inputs (the non-empty arguments
// of argv, however named) or holds native words (a source that a misplaced -o names).
int outputMayBeReplaced(const char *outputPath, int argc, char *const *argv);

#endif
