/* header_c.c - the public header compiles on its own as strict C99. */
#include "olvane/olvane.h"

int olvane_header_c_check(void);
int olvane_header_c_check(void) {
    OlvaneRuleArray rules = {0, 0, 0, 0, 0};
    return (int)rules.size + (int)sizeof(OlvaneNamespace);
}
