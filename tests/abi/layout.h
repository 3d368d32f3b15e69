/* layout.h - the record sizes and offsets the host boundary fixes, for 32-bit and LP64 targets. */
#include <stddef.h>

#include "olvane/olvane.h"

#if defined(__cplusplus)
#define OLVANE_STATIC_ASSERT static_assert
#else
#define OLVANE_STATIC_ASSERT _Static_assert
#endif

#if UINTPTR_MAX == 0xFFFFFFFFu
#define W(a, b) (a) /* 32-bit: the original layout */
#else
#define W(a, b) (b) /* LP64 */
#endif

OLVANE_STATIC_ASSERT(sizeof(OlvaneRuleArray) == W(20, 40), "rule array size");
OLVANE_STATIC_ASSERT(offsetof(OlvaneRuleArray, data) == W(4, 8), "array data");
OLVANE_STATIC_ASSERT(offsetof(OlvaneRuleArray, size) == W(8, 16), "array size");
OLVANE_STATIC_ASSERT(offsetof(OlvaneRuleArray, capacity) == W(12, 24), "array capacity");
OLVANE_STATIC_ASSERT(offsetof(OlvaneRuleArray, grow_by) == W(16, 32), "array grow-by");
OLVANE_STATIC_ASSERT(sizeof(OlvaneRule) == W(36, 64), "rule size");
OLVANE_STATIC_ASSERT(offsetof(OlvaneRule, type) == W(20, 40), "rule type");
OLVANE_STATIC_ASSERT(offsetof(OlvaneRule, reserved) == W(24, 44), "rule reserved");
OLVANE_STATIC_ASSERT(offsetof(OlvaneRule, next) == W(28, 48), "rule next");
OLVANE_STATIC_ASSERT(offsetof(OlvaneRule, validation) == W(32, 56), "rule validation");
OLVANE_STATIC_ASSERT(sizeof(OlvaneBstrMap) == W(28, 56), "map size");
OLVANE_STATIC_ASSERT(offsetof(OlvaneBstrMap, table) == W(4, 8), "map table");
OLVANE_STATIC_ASSERT(offsetof(OlvaneBstrMap, table_size) == W(8, 16), "map table size");
OLVANE_STATIC_ASSERT(offsetof(OlvaneBstrMap, count) == W(12, 24), "map count");
OLVANE_STATIC_ASSERT(offsetof(OlvaneBstrMap, free_list) == W(16, 32), "map free list");
OLVANE_STATIC_ASSERT(offsetof(OlvaneBstrMap, blocks) == W(20, 40), "map blocks");
OLVANE_STATIC_ASSERT(offsetof(OlvaneBstrMap, block_size) == W(24, 48), "map block size");
OLVANE_STATIC_ASSERT(sizeof(OlvaneMapEntry) == W(16, 32), "map entry size");
OLVANE_STATIC_ASSERT(offsetof(OlvaneMapEntry, value) == W(4, 8), "entry value");
OLVANE_STATIC_ASSERT(offsetof(OlvaneMapEntry, next) == W(8, 16), "entry next");
OLVANE_STATIC_ASSERT(offsetof(OlvaneMapEntry, hash) == W(12, 24), "entry hash");
OLVANE_STATIC_ASSERT(sizeof(OlvaneNamespace) == W(56, 112), "namespace size");
OLVANE_STATIC_ASSERT(offsetof(OlvaneNamespace, ns_uri) == W(4, 8), "namespace uri");
OLVANE_STATIC_ASSERT(offsetof(OlvaneNamespace, values) == W(8, 16), "namespace values");
OLVANE_STATIC_ASSERT(offsetof(OlvaneNamespace, children) == W(36, 72), "namespace children");
