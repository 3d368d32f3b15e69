/* demo_host.c - a small host written in C against the public header: it loads the plug-in, hands it
 * a sample packet and a few rules, and prints what comes back. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "olvane/olvane.h"

#define EXPORT(name) static __typeof__(&name) p##name
EXPORT(AddScene);
EXPORT(AddDestination);
EXPORT(SetMetaData);
EXPORT(SetRulesXML);
EXPORT(ParseRules);
EXPORT(FreeRules);
EXPORT(GetAllNamespaces);
EXPORT(FreeNamespace);
EXPORT(RemoveAllScenes);
EXPORT(SysAllocString);
EXPORT(SysFreeString);
EXPORT(SysStringLen);

static void Print(const char* label, BSTR text) {
    unsigned int i;
    unsigned int n = pSysStringLen(text);
    fputs(label, stdout);
    for (i = 0; i < n; ++i) {
        putchar(text[i] < 128 ? (int)text[i] : '?');
    }
}

static char* ReadAll(const char* path) {
    FILE* f = fopen(path, "rb");
    char* data;
    long size;
    if (f == NULL) {
        return NULL;
    }
    fseek(f, 0, SEEK_END);
    size = ftell(f);
    fseek(f, 0, SEEK_SET);
    data = (char*)calloc((size_t)size + 1, 1);
    if (data != NULL && fread(data, 1, (size_t)size, f) != (size_t)size) {
        free(data);
        data = NULL;
    }
    fclose(f);
    return data;
}

static BSTR Wide(const char* ascii) {
    OLECHAR buf[1024];
    size_t i;
    for (i = 0; ascii[i] != 0 && i < 1023; ++i) {
        buf[i] = (OLECHAR)(unsigned char)ascii[i];
    }
    buf[i] = 0;
    return pSysAllocString(buf);
}

int main(int argc, char** argv) {
    const char* plugin = argc > 1 ? argv[1] : "build/libolvane.so";
    const char* packetPath = argc > 2 ? argv[2] : OLVANE_SAMPLES_DIR "/real_01_basic.xmp";
    void* lib = dlopen(plugin, RTLD_NOW);
    char* packet;
    int scene, i, k;
    OlvaneRuleArray rules;
    OlvaneNamespace* tree = NULL;
    if (lib == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", plugin, dlerror());
        return 3;
    }
#define RESOLVE(name) *(void**)(&p##name) = dlsym(lib, #name)
    RESOLVE(AddScene); RESOLVE(AddDestination); RESOLVE(SetMetaData); RESOLVE(SetRulesXML);
    RESOLVE(ParseRules); RESOLVE(FreeRules); RESOLVE(GetAllNamespaces); RESOLVE(FreeNamespace);
    RESOLVE(RemoveAllScenes); RESOLVE(SysAllocString); RESOLVE(SysFreeString); RESOLVE(SysStringLen);
    packet = ReadAll(packetPath);
    if (packet == NULL) {
        fprintf(stderr, "cannot read %s\n", packetPath);
        return 3;
    }
    scene = pAddScene();
    printf("AddScene -> %d\n", scene);
    printf("AddDestination(Headline) -> %d\n", pAddDestination(scene, "Headline", "T1", 0));
    printf("SetMetaData(%s) -> %d\n", packetPath, pSetMetaData(scene, packet, "clip", "Clip"));
    printf("SetRulesXML -> %d\n",
           pSetRulesXML(scene, "clip",
                        Wide("<Pavex-MetaData-Rules>"
                             "<DataPush tag=\"http://ns.adobe.com/xap/1.0/:CreatorTool\" to=\"T1\" val=\"false\"/>"
                             "<DataEqualsStr tag=\"http://ns.adobe.com/xap/1.0/:Rating\" to=\"3\" val=\"true\"/>"
                             "<DataContainsStr tag=\"http://purl.org/dc/elements/1.1/:missing\" to=\"x\" val=\"true\"/>"
                             "</Pavex-MetaData-Rules>"),
                        0));
    memset(&rules, 0, sizeof rules);
    printf("ParseRules -> %d\n", pParseRules(scene, "clip", &rules));
    for (i = 0; i < (int)rules.size; ++i) {
        printf("  rule %d: type %d%s", i, rules.data[i]->type, rules.data[i]->validation ? " (validation)" : "");
        Print(" value=", rules.data[i]->args.data[0]);
        Print(" arg=", rules.data[i]->args.data[1]);
        putchar('\n');
    }
    pFreeRules(&rules);
    printf("GetAllNamespaces -> %d\n", pGetAllNamespaces(scene, "clip", &tree));
    for (i = 0; i < (int)tree->children.size; ++i) {
        const OlvaneNamespace* ns = tree->children.data[i];
        Print("  ", ns->prefix);
        Print(" = ", ns->ns_uri);
        printf(" (%d values)\n", (int)ns->values.count);
        for (k = 0; ns->values.table != NULL && k < (int)ns->values.table_size; ++k) {
            const OlvaneMapEntry* e;
            for (e = ns->values.table[k]; e != NULL; e = e->next) {
                Print("    ", e->key);
                Print(" = ", e->value);
                putchar('\n');
            }
        }
    }
    pFreeNamespace(&tree);
    pRemoveAllScenes();
    free(packet);
    dlclose(lib);
    return 0;
}
