/*
 * olvane.h - the plug-in's binary interface for host authors.
 *
 * A host loads the plug-in (libolvane.so on Linux, olvane.dll on 32-bit Windows; by linking or at run
 * time), registers the template fields of its scenes as destinations, hands over XMP packets and asks
 * for the operator's rules back, as stored or evaluated. This header compiles on its own as C (C99 and
 * later) and as C++.
 *
 * Threads: call every function from one thread (the host's user-interface thread); the library takes
 * no lock. SetRulesDialog runs a modal dialog on the calling thread.
 *
 * Text:
 *  - Keys and names are NUL-terminated narrow text in the ANSI code page: on Windows the calling
 *    thread's, elsewhere UTF-8 (each invalid byte becomes U+FFFD). A null key or name is the empty
 *    string. Keys compare exactly (case-sensitive).
 *  - A metadata packet is NUL-terminated UTF-8 XML.
 *  - Text handed to the host is a BSTR allocated with SysAllocString; the host frees it with
 *    SysFreeString. On Windows these are OLE Automation's own (oleaut32.dll, declared by <oleauto.h>,
 *    which this header includes there); elsewhere the library exports them (declared below).
 *  - OLECHAR is wchar_t on Windows and a 16-bit unsigned type elsewhere (char16_t in C++). A C++
 *    host may define OLVANE_CHAR16_OLECHAR to have char16_t on Windows too: the units are the same,
 *    and the BSTR functions are then declared here with that type (the library builds this way).
 *
 * BSTR layout: a BSTR points at the first UTF-16 unit; the 32-bit byte count of the text (terminator
 * excluded) sits in the 4 bytes before it, and a 16-bit NUL follows the text. SysAllocString(NULL) is
 * NULL, SysFreeString(NULL) does nothing, SysStringLen(NULL) is 0. The text may hold NUL units; the
 * length prefix is what counts.
 *
 * Allocation failure: the library raises a C++ std::bad_alloc through the export. A call that raises
 * has changed nothing: the scene, the host's rule array and namespace pointer are as they were, and
 * the BSTR given to SetRulesXML is still the host's. A host written in C that cannot handle the
 * exception should treat out-of-memory as fatal.
 *
 * Record layouts: the structs below are the objects the host reads. Counts are pointer-sized signed
 * integers, hash values and table sizes 32-bit unsigned, natural alignment. Sizes on LP64 (32-bit in
 * brackets): OlvaneRuleArray 40 [20], OlvaneRule 64 [36], OlvaneBstrMap 56 [28], OlvaneMapEntry 32
 * [16], OlvaneNamespace 112 [56]. The first word of every array and map object is a table pointer that
 * the library never reads: arrays the host builds itself start all zero (its own value in the first
 * word is also fine).
 */
#ifndef OLVANE_OLVANE_H
#define OLVANE_OLVANE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define OLVANE_CALL __stdcall
#else
#define OLVANE_CALL
#endif

/* OLVANE_BUILD: the library's own sources and its in-process tests (no import attribute). */
#if defined(_WIN32) && !defined(OLVANE_BUILD)
#define OLVANE_API __declspec(dllimport)
#elif defined(_WIN32)
#define OLVANE_API
#elif defined(__GNUC__)
#define OLVANE_API __attribute__((visibility("default")))
#else
#define OLVANE_API
#endif

/* ---- OLE Automation types ------------------------------------------------------------------------ */

#if defined(_WIN32) && !(defined(__cplusplus) && defined(OLVANE_CHAR16_OLECHAR))
#include <wtypes.h>  /* OLECHAR (wchar_t), BSTR, BOOL */
#include <oleauto.h> /* SysAllocString, SysFreeString, SysStringLen (oleaut32.dll) */
#else
#ifdef __cplusplus
typedef char16_t OLECHAR;
#else
typedef uint_least16_t OLECHAR; /* same representation as C++'s char16_t */
#endif
typedef OLECHAR* BSTR;
typedef int BOOL;

#if defined(_WIN32)
#define OLVANE_BSTR_API __declspec(dllimport) /* oleaut32.dll's own */
#else
#define OLVANE_BSTR_API OLVANE_API /* exported by the library */
#endif
OLVANE_BSTR_API BSTR OLVANE_CALL SysAllocString(const OLECHAR* text);
OLVANE_BSTR_API BSTR OLVANE_CALL SysAllocStringLen(const OLECHAR* text, unsigned int length);
OLVANE_BSTR_API void OLVANE_CALL SysFreeString(BSTR text);
OLVANE_BSTR_API unsigned int OLVANE_CALL SysStringLen(BSTR text);
#endif

/* ---- Records ------------------------------------------------------------------------------------- */

/* A growable array object (the framework's typed pointer array). data holds size used slots out of
 * capacity allocated ones; grow_by 0 means the default growth. The element storage belongs to the
 * library: free it only through FreeRules (rule arrays) or FreeNamespace (namespace trees). */
struct OlvaneRule;
struct OlvaneNamespace;

typedef struct OlvaneRuleArray {
    const void* vtable; /* never read or written by the library */
    struct OlvaneRule** data;
    intptr_t size;
    intptr_t capacity;
    intptr_t grow_by;
} OlvaneRuleArray;

typedef struct OlvaneBstrArray {
    const void* vtable;
    BSTR* data;
    intptr_t size;
    intptr_t capacity;
    intptr_t grow_by;
} OlvaneBstrArray;

typedef struct OlvaneNamespaceArray {
    const void* vtable;
    struct OlvaneNamespace** data;
    intptr_t size;
    intptr_t capacity;
    intptr_t grow_by;
} OlvaneNamespaceArray;

/* Rule type codes (OlvaneRule.type). */
enum {
    OLVANE_RULE_UNRESOLVED = -1, /* ParseRules: the tag had no value; args[0] still holds the tag */
    OLVANE_RULE_PUSH = 1,        /* args[1]: destination key */
    OLVANE_RULE_EQUALS_STR = 2,  /* args[1]: string */
    OLVANE_RULE_EQUALS_DEST = 3, /* args[1]: destination key */
    OLVANE_RULE_NOT_EQUAL_STR = 4,
    OLVANE_RULE_NOT_EQUAL_DEST = 5,
    OLVANE_RULE_CONTAINS_STR = 6,
    OLVANE_RULE_CONTAINS_DEST = 7,
    OLVANE_RULE_WITHOUT_STR = 8,  /* "doesn't contain" */
    OLVANE_RULE_WITHOUT_DEST = 9, /* "doesn't contain" */
    OLVANE_RULE_IS_ONE_OF = 10,   /* args[1]: comma-separated list */
    OLVANE_RULE_NONE = 11
};

/* One rule record, allocated by the library. args.data[0] is the tag (GetRules) or the tag's value
 * (ParseRules, when resolved); args.data[1] the second argument. */
typedef struct OlvaneRule {
    OlvaneBstrArray args;
    int type;
    int reserved;            /* always 1 */
    struct OlvaneRule* next; /* chained rule; always null */
    unsigned char validation; /* 0 or 1 */
} OlvaneRule;

/* One entry of a namespace record's value map. key and value are BSTRs (local name and value). */
typedef struct OlvaneMapEntry {
    BSTR key;
    BSTR value;
    struct OlvaneMapEntry* next; /* next entry of the same bucket */
    uint32_t hash;               /* (pointer value of key) >> 4 */
} OlvaneMapEntry;

/* The value map of a namespace record (the framework's hash map, keyed by pointer). Walk it as
 * for (i = 0; table && i < table_size; ++i) for (e = table[i]; e; e = e->next) ...
 * The table pointer is null while the map is empty. */
typedef struct OlvaneBstrMap {
    const void* vtable;
    OlvaneMapEntry** table;
    uint32_t table_size; /* 17 */
    intptr_t count;
    OlvaneMapEntry* free_list;
    void* blocks;
    intptr_t block_size; /* 10 */
} OlvaneBstrMap;

/* A namespace record. The root record (from GetAllNamespaces) has null prefix and ns_uri, no values
 * and one child per namespace of the source; a namespace record has no children. */
typedef struct OlvaneNamespace {
    BSTR prefix;
    BSTR ns_uri;
    OlvaneBstrMap values;
    OlvaneNamespaceArray children;
} OlvaneNamespace;

/* ---- Exports ------------------------------------------------------------------------------------- */

/* Creates a scene and returns its ID (1, 2, 3, ... never reused while the library is loaded). */
OLVANE_API int OLVANE_CALL AddScene(void);

/* Stores a template destination under key. 1 new key, -3 replaced an older object, -1 no scene. */
OLVANE_API int OLVANE_CALL AddDestination(int sceneID, const char* name, const char* key, int hostData);

/* 1 deleted, -2 nothing under key, -3 unrecognised object (taken out, not freed), -1 no scene. */
OLVANE_API int OLVANE_CALL DelDestination(int sceneID, const char* key);

/* Deletes a scene with everything in it. 1, or -1 no scene. */
OLVANE_API int OLVANE_CALL DelScene(int sceneID);

/* Frees a tree from GetAllNamespaces. 1 freed (*tree is left dangling), -1 tree null, -2 *tree null. */
OLVANE_API int OLVANE_CALL FreeNamespace(struct OlvaneNamespace** tree);

/* Frees every record in rules and empties it (the array object stays the host's). 1, or -1 null. */
OLVANE_API int OLVANE_CALL FreeRules(OlvaneRuleArray* rules);

/* -2 tree null (nothing allocated). Otherwise a new root record is stored in *tree first, and the host
 * must FreeNamespace it whatever the result: 1 filled, -1 no scene, -3 nothing under key, -4 the object
 * under key is not a metadata source. */
OLVANE_API int OLVANE_CALL GetAllNamespaces(int sceneID, const char* key, struct OlvaneNamespace** tree);

/* Copies of the stored rules. -2 rules null; -1 no scene; the array is then emptied and: 1 filled,
 * -2 nothing under key, -3 not a metadata source. */
OLVANE_API int OLVANE_CALL GetRules(int sceneID, const char* key, OlvaneRuleArray* rules);

/* The source's rules as XML text, or "-1" (no scene) / "-2" (no metadata source). Host frees it. */
OLVANE_API BSTR OLVANE_CALL GetRulesXML(int sceneID, const char* key);

/* Evaluated copies of the rules. -2 rules null; -1 no scene; -2 nothing under key; -3 not a metadata
 * source (the array untouched in these cases); 1 the array emptied and filled. */
OLVANE_API int OLVANE_CALL ParseRules(int sceneID, const char* key, OlvaneRuleArray* rules);

/* Deletes every scene. IDs keep counting up. */
OLVANE_API void OLVANE_CALL RemoveAllScenes(void);

/* Reads a UTF-8 XMP packet into a metadata source under key (an unreadable packet gives an empty
 * source). 1 new key, -3 replaced an older object (a replaced source's rules carry over), -1 no scene. */
OLVANE_API int OLVANE_CALL SetMetaData(int sceneID, const char* packet, const char* key, const char* name);

/* Runs the modal rules editor for the source under key. 1 when it closed (OK or cancel, or no display
 * could be opened: then one line goes to standard error), -1 no scene. */
OLVANE_API int OLVANE_CALL SetRulesDialog(int sceneID, const char* key);

/* Loads rules from XML text (replacing them, or appending when the low byte of append is non-zero).
 * Only the first SysStringLen(xml) units are read; a NUL unit before that ends the text.
 * -1 no scene: xml stays the host's. Otherwise the library frees xml: 1 done (also when the text does
 * not parse; then nothing changes), -2 no metadata source under key. */
OLVANE_API int OLVANE_CALL SetRulesXML(int sceneID, const char* key, BSTR xml, BOOL append);

#ifdef __cplusplus
}
#endif

#endif /* OLVANE_OLVANE_H */
