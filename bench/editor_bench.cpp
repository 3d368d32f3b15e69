// editor_bench.cpp - olvane_editor_bench PACKET [RULES] [RUNS]: how long the "Metadata Actions"
// editor takes to open and to close on a source with many long rules, with the Qt view
// offscreen. Prints Markdown rows for bench/RESULTS.md.
//
// Each run calls SetRulesDialog. Opening is measured from the call until the dialog has shown
// and handled its first events (a timer posted before the call fires inside the dialog's own
// event loop, after it is shown); closing from there until the call returns, the dialog closed
// with Cancel (the working copy freed) or, every other run, with OK (the rules written back).
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "olvane/olvane.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kWords[] = {"harbour", "dawn",  "market", "river",  "bridge", "studio",
                              "forest",  "coast", "tower",  "garden", "train",  "festival"};
const char16_t* const kTypes[] = {u"DataEqualsStr", u"DataNotEqualStr", u"DataContainsStr",
                                  u"DataWithoutStr", u"DataIsOneOf"};

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());  // ASCII only
}

// count rules on the packet's dc:title, each comparing with a list of about 2,000 characters of
// words and numbers (lengths vary by a few percent), every third a validation rule.
std::u16string RulesXml(int count) {
    std::u16string xml = u"<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Pavex-MetaData-Rules>\n";
    for (int i = 0; i < count; ++i) {
        std::string list;
        for (unsigned k = 0; list.size() < 1900 + static_cast<unsigned>(i * 37 % 200); ++k) {
            list +=
                std::string(kWords[(i + k * 7) % 12]) + " " + std::to_string(i * 131 + k) + ", ";
        }
        xml += u"<" + std::u16string(kTypes[i % 5]) +
               u" tag=\"http://purl.org/dc/elements/1.1/:title\" to=\"" + Wide(list) +
               u"\" val=\"" + (i % 3 == 0 ? u"true" : u"false") + u"\" />\n";
    }
    return xml + u"</Pavex-MetaData-Rules>\n";
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PACKET [RULES] [RUNS]\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream packet;
    packet << in.rdbuf();
    const int count = argc > 2 ? std::atoi(argv[2]) : 5000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;

    const int scene = AddScene();
    for (int t = 0; t < 5; ++t) {
        const std::string key = "T" + std::to_string(t);
        AddDestination(scene, key.c_str(), ("Template " + std::to_string(t)).c_str(), 0);
    }
    SetMetaData(scene, packet.str().c_str(), "clip", "Clip");
    const std::u16string xml = RulesXml(count);
    SetRulesXML(scene, "clip", SysAllocStringLen(xml.data(), static_cast<unsigned>(xml.size())), 0);

    std::vector<double> opening;
    std::vector<double> closing;
    for (int run = 0; run < runs; ++run) {
        const Clock::time_point start = Clock::now();
        Clock::time_point shown;
        bool found = false;
        QTimer::singleShot(0, [&] {
            QApplication::processEvents();  // what showing it left to do: layout, painting
            shown = Clock::now();
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                found = true;
                run % 2 == 0 ? dialog->reject() : dialog->accept();
            }
        });
        SetRulesDialog(scene, "clip");
        const Clock::time_point end = Clock::now();
        if (!found) {
            std::fprintf(stderr, "the editor did not open\n");
            return 1;
        }
        opening.push_back(std::chrono::duration<double>(shown - start).count());
        closing.push_back(std::chrono::duration<double>(end - shown).count());
    }
    OlvaneRuleArray rules{};
    GetRules(scene, "clip", &rules);
    const bool kept = rules.size == count;
    FreeRules(&rules);
    DelScene(scene);
    if (!kept) {
        std::fprintf(stderr, "the rules did not survive the editor\n");
        return 1;
    }
    std::printf("| %d rules of about %zu characters | %.3f s | %.3f s | %d |\n", count,
                xml.size() / static_cast<size_t>(count), Median(opening), Median(closing), runs);
    const char* open = Median(opening) < 1 ? "met" : "**not met**";
    const char* close = Median(closing) < 1 ? "met" : "**not met**";
    std::printf("TARGET | editor opens in under 1 s, %d rules | %.3f s | %s |\n", count,
                Median(opening), open);
    std::printf("TARGET | editor closes in under 1 s, %d rules | %.3f s | %s |\n", count,
                Median(closing), close);
    return 0;
}
