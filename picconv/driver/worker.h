// A worker of a parallel run: picconv started again by the coordinator with the private option
// --worker, converting the lines it is handed in one process of its own, so that a plug-in
// that crashes or hangs costs only its line.
#ifndef PICCONV_DRIVER_WORKER_H
#define PICCONV_DRIVER_WORKER_H

// The private option that starts a worker, and the arguments that follow it: whether a plug-in
// that cannot be loaded costs only its line ("1" or "0"), the folder inputs are read from ("" for
// the current one), the command file's name for reports, the worker's own temporary bitmap, the
// proof sheet's folder ("" for none), and (added by the platform) its answer channel.
extern const char WORKER_OPTION[];
enum { WORKER_ARGUMENT_COUNT = 6 };

// The worker's whole life; the exit status.
int runWorker(int argc, char **argv);

#endif
