// header_cpp.cpp - the public header compiles on its own as C++.
#include "olvane/olvane.h"

int OlvaneHeaderCppCheck() {
    OlvaneRuleArray rules{};
    return static_cast<int>(rules.size) + static_cast<int>(sizeof(OlvaneRule));
}
