// The 3B program loader on any file contents.
#define KS_LOAD_JOB ks::Load3BJob
#define KS_FULL_HEAD "N "
#define KS_FULL_RECORD "1 B 1 B 0 B 0 GX L1 B 1 B 0 "
#include "fuzz/targets/job_loader_fuzz.inc"
