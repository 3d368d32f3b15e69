/* layout_c.c - the public records' layout, checked by the compiler (built for LP64 and, in a
 * compile-only step, with -m32). */
#include <stdint.h>

#include "layout.h"

int olvane_layout_c_check(void);
int olvane_layout_c_check(void) { return 0; }
