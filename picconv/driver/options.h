// The converter's command line: options, then the command file.
#ifndef PICCONV_DRIVER_OPTIONS_H
#define PICCONV_DRIVER_OPTIONS_H

enum RUN_MODE_T {
    MODE_CONVERT,
    MODE_CHECK,
    MODE_LIST_OUTPUTS,
    MODE_LIST_INPUTS,
    MODE_HELP,
    MODE_VERSION,
    MODE_USAGE_ERROR,
    MODE_WORKER  // a worker of a parallel run (the private option --worker)
};

struct RUN_OPTIONS_T {
    RUN_MODE_T mode;
    bool keepGoing;
    const char *depfile;      // null when none was asked for
    const char *inputDir;     // relative pictures and plug-ins are read from here; null: "."
    int jobs;                 // worker processes; 0 runs every line in this process
    double lineTimeout;       // seconds a line may take in a worker; 0 for no limit
    const char *stateFile;    // null when none was asked for
    const char *proofDir;     // null when no proof sheet was asked for
    bool stats;               // where the time went, said after the run
    const char *commandFile;  // null when missing
    const char *badOption;    // the word not understood, for MODE_USAGE_ERROR
};

// The most worker processes -j takes.
enum { MAX_JOBS = 64 };

// Options are the words before the command file that start with '-' ("--" ends them); the
// first other word is the command file, and words after it are ignored. --help and --version
// are answered at once; of --check, --list-outputs and --list-inputs the last counts.
RUN_OPTIONS_T parseOptions(int argc, char **argv);

// The help text, for standard output: a format for printf with the widest output width.
extern const char PICCONV_HELP[];

#endif
