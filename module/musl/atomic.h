/* What musl's fma asks of its internal atomic.h: a count of leading zeros. */
#define a_clz_64(x) __builtin_clzll(x)
