/* Wine's 32-bit loader, linked at a fixed address high in memory, for
   running 32-bit Windows programs under qemu-i386. qemu places a
   position-independent program, as Debian's /usr/lib/wine/wine is, at
   0x00400000, where a 32-bit Windows program without relocations (every
   NSIS installer and uninstaller) must be, and Wine then cannot start it.
   Like Wine's own loader, it loads Wine's ntdll.so and hands over to it.
   Built by tools/dev.sh windows for its tests only, with NTDLL the path. */
#include <dlfcn.h>
#include <stdio.h>

int main(int argc, char **argv, char **envp)
{
    void *ntdll = dlopen(NTDLL, RTLD_NOW);
    void (*winemain)(int, char **, char **) = NULL;
    if (ntdll)
        winemain = (void (*)(int, char **, char **))dlsym(ntdll, "__wine_main");
    if (!winemain) {
        fprintf(stderr, "wineloader: %s\n", dlerror());
        return 1;
    }
    winemain(argc, argv, envp);
    return 1;
}
