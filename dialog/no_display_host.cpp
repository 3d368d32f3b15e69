// no_display_host.cpp - a small host for the tests: opens the rules editor for a source that has
// one rule, as the host's export does, and reports whether the call came back with the rule
// unchanged. Run without a display, the editor must refuse and return.
#include <cstdio>
#include <memory>

#include "dialog/rules_dialog_runner.h"
#include "dialog/test_editor_scene.h"

int main() {
    CTestScene scene(3);
    scene.AddDestination(u"k-headline", u"Headline");
    CMetaDataSource* source =
        scene.AddSource(u"src", u"News", {{u"xmlns:nw", u"news/1.0/"}, {u"nw:title", u"Evening"}});
    auto rule = std::make_unique<CRule>();
    rule->SetPush(u"news/1.0/:title", u"k-headline");
    CRule* stored = rule.get();
    source->m_Rules.Add(rule.release());

    RunRulesDialog(&scene, u"src");

    const bool unchanged = source->m_Rules.GetSize() == 1 && source->m_Rules[0] == stored &&
                           stored->GetArg(1) == CString(u"k-headline");
    std::printf("returned, rules %s\n", unchanged ? "unchanged" : "CHANGED");
    return unchanged ? 0 : 1;
}
