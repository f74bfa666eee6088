# Regina 3.9.5's makefile.win32.mingw, made to cross-build regina.exe and
# regina.dll with Debian's MinGW-w64 (tools/dev.sh windows).
# Paths with forward slashes.
s/SRCDIR)\\/SRCDIR)\//g
# The version and word size the sources expect.
s/^VEXTRA = .*/& -DREGINA_VERSION_RELEASE=\\"$(VER_RELEASE)\\" -DREGINA_BITS=$(BITS)/
# my_getopt_long comes from mygetopt.c.
s/^OFILES = /OFILES = mygetopt.o /
s/^TSFILES = /TSFILES = mygetopt.ts.o /
# Version resources from reginawin{dll,exe}.rc with the version filled in.
s/^reginaw32\(dll\|exe\)\.rc: .*/reginaw32\1.rc: $(SRCDIR)\/reginawin\1.rc/
s/^\ttrexx .*fixrc\.rexx .*reginaw32\(dll\|exe\)\.rc .*/\tsed -e 's\/?,?,0\/$(VER_MAJOR),$(VER_MINOR),$(VER_RELEASE)\/' $< >$@/
# The cross tools.
s/^\twindres/\t$(WINDRES)/
s/^\tar rc/\t$(AR) rc/
# regina.dll from its objects alone (rexx.a is never built), exporting every
# function: the .def file repeats EXPORTS on each line, which GNU ld rejects.
s/^\(  \)rexx\.a reginaw32dll\.o \(.*\) $(SRCDIR)\/regina_w32_mingw_dll\.def$/\1reginaw32dll.o \2/
