// The NC hole program loader on any file contents.
#define KS_LOAD_JOB ks::LoadNcJob
#define KS_CHECK_NC_RADIUS 1
#define KS_FULL_HEAD "START\r\n"
#define KS_FULL_RECORD "N1 X1 Y1 R100\r\n"
#include "fuzz/targets/job_loader_fuzz.inc"
