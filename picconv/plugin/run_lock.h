#ifndef PICCONV_PLUGIN_RUN_LOCK_H
#define PICCONV_PLUGIN_RUN_LOCK_H

// Takes an exclusive lock on path for the rest of the run, waiting while another run holds it,
// so that runs sharing one temporary bitmap take turns. Later calls do nothing once the lock is
// held. Only a regular file is locked (or created): a symbolic link there is never followed.
// Returns 1 when the lock is held; 0 when it is not, and the run may then go on unlocked.
int takeRunLock(const char *path);

#endif
