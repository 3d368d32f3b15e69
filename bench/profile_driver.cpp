// profile_driver.cpp - olvane_profile: one path run a few times, for callgrind or perf to count.
//
//   olvane_profile packet PACKET [TIMES]   SetMetaData, replacing the source each time
//   olvane_profile expat PACKET [TIMES]    expat alone over the same bytes (the floor)
//   olvane_profile rules COUNT [TIMES]     SetRulesXML of COUNT rules in replace mode
//
//   valgrind --tool=callgrind build/bench/olvane_profile packet
//   build/bench/packets/synth_n10000.xmp 2
#include <expat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "olvane/olvane.h"

namespace {

void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoText(void*, const XML_Char*, int) {}

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::u16string RulesText(int count) {
    std::u16string xml = u"<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Pavex-MetaData-Rules>\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        xml += u"<DataEqualsStr tag=\"http://purl.org/dc/elements/1.1/:p" +
               std::u16string(n.begin(), n.end()) + u"\" to=\"value " +
               std::u16string(n.begin(), n.end()) + u"\" val=\"" +
               (i % 3 == 0 ? u"true" : u"false") + u"\" />\n";
    }
    return xml + u"</Pavex-MetaData-Rules>\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s packet|expat PACKET [TIMES] | rules COUNT [TIMES]\n",
                     argv[0]);
        return 2;
    }
    const int times = argc > 3 ? std::atoi(argv[3]) : 1;
    const int scene = AddScene();
    if (std::strcmp(argv[1], "rules") == 0) {
        const std::u16string text = RulesText(std::atoi(argv[2]));
        SetMetaData(scene, "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>", "clip", "Clip");
        for (int i = 0; i < times; ++i) {
            SetRulesXML(scene, "clip",
                        SysAllocStringLen(text.data(), static_cast<unsigned>(text.size())), 0);
        }
    } else {
        const std::string packet = ReadFile(argv[2]);
        for (int i = 0; i < times; ++i) {
            if (std::strcmp(argv[1], "expat") == 0) {
                XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
                XML_SetElementHandler(parser, NoStart, NoEnd);
                XML_SetCharacterDataHandler(parser, NoText);
                XML_Parse(parser, packet.data(), static_cast<int>(packet.size()), XML_TRUE);
                XML_ParserFree(parser);
            } else {
                SetMetaData(scene, packet.c_str(), "clip", "Clip");
            }
        }
    }
    DelScene(scene);
    return 0;
}
