#ifndef PICCONV_PLUGIN_RUN_LOCK_H
#define PICCONV_PLUGIN_RUN_LOCK_H

// Takes an exclusive lock on path for the rest of the run, waiting while another run holds it,
// so that runs sharing one temporary bitmap take turns. Later calls do nothing once the lock is
// held. Best effort: where no lock can be had, the run goes on unlocked.
void takeRunLock(const char *path);

#endif
