/* musl's internal <features.h>: nothing that its math routines need here
   (its `hidden` is defined away on the command line). */
