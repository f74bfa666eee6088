/* What musl's math routines ask of <endian.h>, which MinGW-w64 lacks:
   Windows is little-endian. */
#define __LITTLE_ENDIAN 1234
#define __BIG_ENDIAN 4321
#define __BYTE_ORDER __LITTLE_ENDIAN
