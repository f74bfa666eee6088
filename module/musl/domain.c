/* Outside their domain, glibc's asin, acos and log10 answer with a positive
   NaN (from its SVID-compatible wrappers), musl's with the processor's
   default NaN, which is negative on x86. These answer as glibc does, so that
   Windows prints nan where Linux does, not -nan. */
#include <math.h>

double musl_asin(double), musl_acos(double), musl_log10(double);

double asin(double x) { return fabs(x) > 1 ? NAN : musl_asin(x); }
double acos(double x) { return fabs(x) > 1 ? NAN : musl_acos(x); }
double log10(double x) { return x < 0 ? NAN : musl_log10(x); }
