// xmp_merge.cpp - extended XMP moved into the main packet, so the plug-in reads both as one.
#include <set>
#include <string>
#include <vector>

#include "format_readers.h"

namespace olvane_host {

namespace {

constexpr size_t kNone = std::string_view::npos;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

struct StartTag {
    size_t close = kNone;                    // the position of its '>'
    bool empty = false;                      // written "<name .../>"
    std::vector<std::string> declarations;   // namespace declarations as written: xmlns:p='U'
    std::vector<std::string> declaredNames;  // their attribute names: xmlns:p
};

// Finds the first start tag of name in text and reads its namespace declarations. Quoted values
// may hold '>' and '/'.
bool FindStartTag(std::string_view text, std::string_view name, StartTag& tag) {
    const std::string open = "<" + std::string(name);
    size_t at = 0;
    for (;; at += open.size()) {
        at = text.find(open, at);
        if (at == kNone) {
            return false;
        }
        const size_t next = at + open.size();
        if (next < text.size() && (IsSpace(text[next]) || text[next] == '>' || text[next] == '/')) {
            at = next;
            break;
        }
    }
    while (at < text.size()) {
        const char c = text[at];
        if (c == '>') {
            tag.close = at;
            tag.empty = text[at - 1] == '/';
            return true;
        }
        if (IsSpace(c) || c == '/') {
            ++at;
            continue;
        }
        // name = 'value'
        const size_t nameEnd = text.find('=', at);
        const size_t quote = nameEnd == kNone ? kNone : text.find_first_of("'\"", nameEnd);
        const size_t valueEnd = quote == kNone ? kNone : text.find(text[quote], quote + 1);
        if (valueEnd == kNone) {
            return false;
        }
        std::string_view attribute = text.substr(at, nameEnd - at);
        while (!attribute.empty() && IsSpace(attribute.back())) {
            attribute.remove_suffix(1);
        }
        if (attribute == "xmlns" || attribute.substr(0, 6) == "xmlns:") {
            tag.declaredNames.emplace_back(attribute);
            tag.declarations.emplace_back(text.substr(at, valueEnd + 1 - at));
        }
        at = valueEnd + 1;
    }
    return false;
}

}  // namespace

bool MergeExtendedXmp(std::string& main, std::string_view extension) {
    StartTag mainRdf;
    StartTag extensionRdf;
    if (!FindStartTag(main, "rdf:RDF", mainRdf) || mainRdf.empty ||
        !FindStartTag(extension, "rdf:RDF", extensionRdf) || extensionRdf.empty) {
        return false;
    }
    const size_t mainEnd = main.rfind("</rdf:RDF");
    const size_t extensionEnd = extension.rfind("</rdf:RDF");
    if (mainEnd == kNone || mainEnd < mainRdf.close || extensionEnd == kNone ||
        extensionEnd < extensionRdf.close) {
        return false;
    }
    // Declarations the extension's Descriptions inherit from its wrapper and rdf:RDF go onto the
    // main rdf:RDF, unless the main packet declares the name there already.
    StartTag mainWrapper;
    StartTag extensionWrapper;
    FindStartTag(std::string_view(main).substr(0, mainRdf.close), "x:xmpmeta", mainWrapper);
    FindStartTag(extension.substr(0, extensionRdf.close), "x:xmpmeta", extensionWrapper);
    std::set<std::string> declared(mainRdf.declaredNames.begin(), mainRdf.declaredNames.end());
    declared.insert(mainWrapper.declaredNames.begin(), mainWrapper.declaredNames.end());
    std::string added;
    for (const StartTag* tag : {&extensionRdf, &extensionWrapper}) {
        for (size_t i = 0; i < tag->declarations.size(); ++i) {
            if (declared.insert(tag->declaredNames[i]).second) {
                added += " " + tag->declarations[i];
            }
        }
    }
    main.insert(mainEnd,
                extension.substr(extensionRdf.close + 1, extensionEnd - extensionRdf.close - 1));
    main.insert(mainRdf.close, added);
    return true;
}

}  // namespace olvane_host
