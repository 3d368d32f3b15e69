/* win32_host.c - a 32-bit Windows host written apart from the library: it loads olvane.dll with
 * LoadLibrary, finds the exports by their plain names, reads the records through its own
 * declarations of their 32-bit layouts and frees BSTRs with oleaut32. What the exports answer is
 * the Linux host tests' business; this program checks that a Windows host can read it.
 * Exit code: failures.
 */
#include <windows.h>
/* after <windows.h>, which it needs */
#include <oleauto.h>
#include <stdio.h>
#include <string.h>

typedef struct Array {
    void* vtbl;
    void** data;
    int size;
    int capacity;
    int growBy;
} Array;
typedef struct Rule {
    Array args;
    int type;
    int reserved;
    struct Rule* next;
    unsigned char validation;
} Rule;
typedef struct Entry {
    BSTR key;
    BSTR value;
    struct Entry* next;
    unsigned hash;
} Entry;
typedef struct Map {
    void* vtbl;
    Entry** table;
    unsigned tableSize;
    int count;
    Entry* freeList;
    void* blocks;
    int blockSize;
} Map;
typedef struct Ns {
    BSTR prefix;
    BSTR uri;
    Map values;
    Array children;
} Ns;

static int failures = 0;
static void Check(int ok, const char* what) {
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    failures += !ok;
}
static int Is(BSTR b, const wchar_t* text) {
    return b != NULL && SysStringLen(b) == wcslen(text) && wcscmp(b, text) == 0;
}

int main(int argc, char** argv) {
    HMODULE dll = LoadLibraryA(argc > 1 ? argv[1] : "olvane.dll");
    if (dll == NULL) {
        printf("FAIL LoadLibrary %lu\n", GetLastError());
        return 1;
    }
    int missing = 0;
#define FN(ret, name, args)                                                              \
    ret(__stdcall* name) args = (ret(__stdcall*) args)(void*)GetProcAddress(dll, #name); \
    missing += name == NULL
    FN(int, AddScene, (void));
    FN(int, AddDestination, (int, const char*, const char*, int));
    FN(int, SetMetaData, (int, const char*, const char*, const char*));
    FN(int, GetRules, (int, const char*, Array*));
    FN(int, FreeRules, (Array*));
    FN(int, GetAllNamespaces, (int, const char*, Ns**));
    FN(int, FreeNamespace, (Ns**));
    FN(BSTR, GetRulesXML, (int, const char*));
    FN(int, SetRulesXML, (int, const char*, BSTR, BOOL));
    Check(missing == 0, "the exports are found by their plain names");
    if (missing != 0) {
        return failures;
    }

    int s = AddScene();
    Check(AddDestination(s, "Headline", "T1", 0) == 1, "AddDestination: 1");
    Check(SetMetaData(s,
                      "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                      "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                      "xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='video'/>"
                      "</rdf:RDF></x:xmpmeta>",
                      "clip", "Clip") == 1,
          "SetMetaData: 1");
    BSTR xml = SysAllocString(
        L"<Pavex-MetaData-Rules><DataPush tag=\"http://purl.org/dc/elements/"
        L"1.1/:format\" to=\"T1\" val=\"true\"/></Pavex-MetaData-Rules>");
    Check(SetRulesXML(s, "clip", xml, FALSE) == 1, "SetRulesXML: 1 (the library frees the BSTR)");
    BSTR stored = GetRulesXML(s, "clip");
    Check(stored != NULL && SysStringLen(stored) == wcslen(stored) &&
              wcsstr(stored, L"<DataPush ") != NULL,
          "GetRulesXML: the rules, in a BSTR of oleaut32's");
    SysFreeString(stored);

    Array rules = {0, 0, 0, 0, 0};
    Check(GetRules(s, "clip", &rules) == 1 && rules.size == 1, "GetRules: one record");
    Rule* r = rules.size == 1 ? (Rule*)rules.data[0] : NULL;
    Check(r != NULL && r->type == 1 && r->validation == 1 && r->args.size == 2 && r->reserved == 1,
          "the record's 32-bit layout: push, validation, two arguments");
    Check(r != NULL && Is(r->args.data[0], L"http://purl.org/dc/elements/1.1/:format") &&
              Is(r->args.data[1], L"T1"),
          "its arguments are BSTRs: tag and destination");
    Check(FreeRules(&rules) == 1 && rules.size == 0 && rules.data == NULL, "FreeRules empties");

    Ns* tree = NULL;
    Check(GetAllNamespaces(s, "clip", &tree) == 1 && tree != NULL, "GetAllNamespaces: 1");
    int found = 0;
    for (int i = 0; tree != NULL && i < tree->children.size; ++i) {
        Ns* ns = (Ns*)tree->children.data[i];
        for (unsigned b = 0; ns->values.table != NULL && b < ns->values.tableSize; ++b) {
            for (Entry* e = ns->values.table[b]; e != NULL; e = e->next) {
                found += Is(ns->prefix, L"dc") && Is(e->key, L"format") && Is(e->value, L"video");
            }
        }
    }
    Check(found == 1 && tree->values.tableSize == 17, "the namespace records: dc:format = video");
    Check(FreeNamespace(&tree) == 1, "FreeNamespace: 1");
    FreeLibrary(dll);
    printf("%d failure(s)\n", failures);
    return failures;
}
