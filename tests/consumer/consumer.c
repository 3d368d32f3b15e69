/* consumer.c - a tiny host linked against the installed library. */
#include <stdio.h>
#include <olvane/olvane.h>

int main(void) {
    static const OLECHAR rules[] = {'<', 'P', 'a', 'v', 'e', 'x', '-', 'M', 'e', 't', 'a', 'D', 'a',
                                    't', 'a', '-', 'R', 'u', 'l', 'e', 's', '/', '>', 0};
    OlvaneRuleArray list = {0, 0, 0, 0, 0};
    int failures = 0;
    int scene = AddScene();
    BSTR xml;
    failures += scene != 1;
    failures += AddDestination(scene, "Headline", "T1", 0) != 1;
    failures += SetMetaData(scene, "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>", "clip", "Clip") != 1;
    failures += SetRulesXML(scene, "clip", SysAllocString(rules), 0) != 1;
    failures += GetRules(scene, "clip", &list) != 1 || list.size != 0;
    failures += FreeRules(&list) != 1;
    xml = GetRulesXML(scene, "missing");
    failures += SysStringLen(xml) != 2;
    SysFreeString(xml);
    failures += DelScene(scene) != 1;
    failures += DelScene(scene) != -1;
    printf("consumer: %s\n", failures == 0 ? "ok" : "FAILED");
    return failures == 0 ? 0 : 1;
}
