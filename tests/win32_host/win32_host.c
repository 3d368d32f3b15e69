/* win32_host.c - a 32-bit Windows host written apart from the library: it loads olvane.dll with
 * LoadLibrary, reads the records through its own declarations of their 32-bit layouts, frees BSTRs
 * with oleaut32 and expects what the Linux host tests expect of libolvane.so. Exit code: failures.
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

typedef int(__stdcall* IntFn)(void);
typedef int(__stdcall* SceneFn)(int);
typedef int(__stdcall* AddDestFn)(int, const char*, const char*, int);
typedef int(__stdcall* SetMetaFn)(int, const char*, const char*, const char*);
typedef int(__stdcall* RulesFn)(int, const char*, Array*);
typedef int(__stdcall* FreeRulesFn)(Array*);
typedef int(__stdcall* NsFn)(int, const char*, Ns**);
typedef int(__stdcall* FreeNsFn)(Ns**);
typedef BSTR(__stdcall* XmlFn)(int, const char*);
typedef int(__stdcall* SetXmlFn)(int, const char*, BSTR, BOOL);

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
#define FN(type, name) type name = (type)(void*)GetProcAddress(dll, #name)
    FN(IntFn, AddScene);
    FN(SceneFn, DelScene);
    FN(AddDestFn, AddDestination);
    FN(SetMetaFn, SetMetaData);
    FN(RulesFn, GetRules);
    FN(RulesFn, ParseRules);
    FN(FreeRulesFn, FreeRules);
    FN(NsFn, GetAllNamespaces);
    FN(FreeNsFn, FreeNamespace);
    FN(XmlFn, GetRulesXML);
    FN(SetXmlFn, SetRulesXML);
    Check(GetProcAddress(dll, "SysFreeString") == NULL, "the DLL exports no BSTR function");
    Check(GetProcAddress(dll, "AddScene@0") == NULL, "no decorated names");

    const char* packet =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
        "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='video'/>"
        "</rdf:RDF></x:xmpmeta>";
    int s = AddScene();
    Check(s == 1, "first scene is 1");
    Check(DelScene(s) == 1 && DelScene(s) == -1 && AddScene() == 2, "IDs are never reused");
    s = 2;
    Check(AddDestination(s, "Headline", "T1", 0) == 1, "AddDestination new key: 1");
    Check(SetMetaData(s, packet, "clip", "Clip") == 1, "SetMetaData new key: 1");
    Check(SetMetaData(s, packet, "clip", "Clip") == -3, "SetMetaData replacing: -3");
    BSTR missing = GetRulesXML(7, "clip");
    Check(Is(missing, L"-1"), "GetRulesXML without a scene: \"-1\"");
    SysFreeString(missing);
    BSTR xml = SysAllocString(
        L"<Pavex-MetaData-Rules><DataPush tag=\"http://purl.org/dc/elements/"
        L"1.1/:format\" to=\"T1\" val=\"true\"/></Pavex-MetaData-Rules>");
    Check(SetRulesXML(s, "clip", xml, FALSE) == 1, "SetRulesXML: 1 (the library frees the BSTR)");

    Array rules = {0, 0, 0, 0, 0};
    Check(GetRules(s, "clip", &rules) == 1 && rules.size == 1, "GetRules: one record");
    Rule* r = rules.size == 1 ? (Rule*)rules.data[0] : NULL;
    Check(r != NULL && r->type == 1 && r->validation == 1 && r->args.size == 2 && r->reserved == 1,
          "the record's 32-bit layout: push, validation, two arguments");
    Check(r != NULL && Is(r->args.data[0], L"http://purl.org/dc/elements/1.1/:format") &&
              Is(r->args.data[1], L"T1"),
          "its arguments are BSTRs: tag and destination");
    Check(ParseRules(s, "clip", &rules) == 1 && rules.size == 1 &&
              Is(((Rule*)rules.data[0])->args.data[0], L"video"),
          "ParseRules: the tag's value");
    Check(FreeRules(&rules) == 1 && rules.size == 0 && rules.data == NULL, "FreeRules empties");
    Check(GetRules(s, "T1", &rules) == -3 && ParseRules(s, "none", &rules) == -2,
          "rule exports on a destination and a missing key");

    Ns* tree = NULL;
    Check(GetAllNamespaces(s, "clip", &tree) == 1 && tree != NULL, "GetAllNamespaces: 1");
    if (tree != NULL) {
        int found = 0, i;
        for (i = 0; i < tree->children.size; ++i) {
            Ns* ns = (Ns*)tree->children.data[i];
            unsigned b;
            for (b = 0; ns->values.table != NULL && b < ns->values.tableSize; ++b) {
                Entry* e;
                for (e = ns->values.table[b]; e != NULL; e = e->next) {
                    found +=
                        Is(ns->prefix, L"dc") && Is(e->key, L"format") && Is(e->value, L"video");
                }
            }
        }
        Check(found == 1 && tree->values.tableSize == 17,
              "the namespace records: dc:format = video");
        Check(FreeNamespace(&tree) == 1, "FreeNamespace: 1");
    }
    Check(GetAllNamespaces(99, "clip", &tree) == -1 && tree != NULL && FreeNamespace(&tree) == 1,
          "no scene: -1, and the empty root is the host's to free");

    BSTR stored = GetRulesXML(s, "clip");
    Check(stored != NULL && wcsstr(stored, L"Pavex-MetaData-Rules") != NULL,
          "GetRulesXML: the rules");
    SysFreeString(stored);
    FreeLibrary(dll);
    printf("%d failure(s)\n", failures);
    return failures;
}
