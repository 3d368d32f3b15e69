// layout_cpp.cpp - the library's own classes match the public records, on this target and (compile
// only, -m32) on a 32-bit one.
#include <cstdint>

#include "layout.h"
#include "metadata/bstr_meta_data_tree.h"
#include "rules/rule.h"

static_assert(sizeof(CRule) == W(36, 64));
static_assert(sizeof(CBSTRMetaDataTree) == W(56, 112));
static_assert(sizeof(CMap<WCHAR*, WCHAR*, WCHAR*, WCHAR*>) == W(28, 56));
static_assert(sizeof(CMap<WCHAR*, WCHAR*, WCHAR*, WCHAR*>::CAssoc) == W(16, 32));
static_assert(sizeof(CArray<CRule*, CRule*>) == W(20, 40));

int OlvaneLayoutCppCheck() {
    return 0;
}
