// meta_data_source.cpp - CMetaDataSource: reading a packet, its namespaces and values, and the
// namespace records for the host.
#include "metadata/meta_data_source.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "metadata/flat_pairs.h"
#include "metadata/meta_data_tree.h"
#include "metadata/packet_reader.h"
#include "platform/bstr.h"
#include "platform/codepage.h"
#include "zev/parser.h"
#include "zev/result.h"

namespace {

constexpr std::u16string_view kDeclarationPrefix = u"xmlns:";

std::u16string FoldedCopy(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        c = FoldAscii(c);
    }
    return out;
}

// The declared prefixes, each mapped to the first group (in namespace-list order) whose prefix
// matches it ignoring case; a later prefix that differs only in case never wins a value.
class PrefixIndex {
  public:
    explicit PrefixIndex(size_t count) { m_folded.reserve(count); }

    void Add(const CString& prefix, size_t group) {
        m_folded.push_back(FoldedCopy(prefix.view()));
        const std::u16string& folded = m_folded.back();
        m_index.try_emplace(std::u16string_view(folded), group);
        if (folded.size() > m_longest) {
            m_longest = folded.size();
        }
    }

    // The group that takes the pair with this key: among the declared prefixes p for which the
    // key starts with p followed by ':', the one first in namespace-list order. Each candidate p
    // ends where the key has a ':', so only those places are tried.
    bool Owner(std::u16string_view key, size_t& group, size_t& prefixLength) {
        const size_t limit = key.size() < m_longest + 1 ? key.size() : m_longest + 1;
        m_scratch.assign(key.substr(0, limit));
        bool found = false;
        for (size_t i = 0; i < limit; ++i) {
            char16_t& c = m_scratch[i];
            if (c == u':') {
                auto it = m_index.find(std::u16string_view(m_scratch.data(), i));
                if (it != m_index.end() && (!found || it->second < group)) {
                    group = it->second;
                    prefixLength = i;
                    found = true;
                }
            } else {
                c = FoldAscii(c);
            }
        }
        return found;
    }

  private:
    std::vector<std::u16string> m_folded;  // reserved up front: m_index points into it
    std::unordered_map<std::u16string_view, size_t> m_index;
    size_t m_longest = 0;
    std::u16string m_scratch;
};

constexpr size_t kUnowned = ~size_t{0};

// The pairs of a flat value map, in its order; their values move out, unless the map is one the
// source still holds, which must keep its values should the split fail.
struct ValueMapWalk {
    using Handle = CMetaData::ValueMap::CAssoc*;
    CMetaData* flat;
    bool copy;

    size_t Count() const {
        return flat == nullptr ? 0 : static_cast<size_t>(flat->m_Values.GetCount());
    }
    template <class Fn>
    void ForEach(Fn&& fn) {
        POSITION pos = flat == nullptr ? nullptr : flat->m_Values.GetStartPosition();
        while (pos != nullptr) {
            fn(flat->m_Values.GetNextAssocPtr(pos));
        }
    }
    static std::u16string_view Key(Handle entry) { return entry->key.view(); }
    void TakeValue(Handle entry, CString& to) const {
        if (copy) {
            to = entry->value;
        } else {
            to = std::move(entry->value);
        }
    }
    void Spend() {
        if (flat != nullptr) {
            flat->m_Values.RemoveAll();
        }
    }
};

// The pairs read straight from a packet, in the order a flat value map would give them.
struct FlatPairsWalk {
    using Handle = size_t;
    const FlatPairs& pairs;

    size_t Count() const { return pairs.GetCount(); }
    template <class Fn>
    void ForEach(Fn&& fn) {
        pairs.ForEachInMapOrder(fn);
    }
    std::u16string_view Key(Handle i) const { return {pairs.Key(i), pairs.KeyLength(i)}; }
    void TakeValue(Handle i, CString& to) const {
        to.str().assign(pairs.Value(i), pairs.ValueLength(i));
    }
    static void Spend() {}
};

void DeleteAll(CArray<CMetaData*, CMetaData*>& groups) {
    for (INT_PTR i = 0; i < groups.GetSize(); ++i) {
        delete groups[i];
    }
    groups.RemoveAll();
}

}  // namespace

CMetaDataSource::CMetaDataSource() {
    SetHostData(kMetaDataSourceHostData);
    auto empty = std::make_unique<CMetaData>();
    m_MetaData.Add(empty.get());
    empty.release();
}

CMetaDataSource::~CMetaDataSource() {
    DeleteAll(m_MetaData);
    FreeRuleArray(&m_Rules);
}

int CMetaDataSource::GetType() const {
    return DestinationType::kMetaDataSource;
}

void CMetaDataSource::Load(const char* packet) {
    const char* text = packet == nullptr ? "" : packet;
    const size_t length = std::strlen(text);
    if (FindInvalidUtf8(text, length) == std::string::npos) {
        // Valid UTF-8 goes straight from the reader's events into flat pairs, the same pairs in
        // the same order as the tree path would set them.
        const std::string_view whole(text, length);
        FlatPairs pairs;
        const HRESULT hr =
            whole.empty() || whole == "-1" ? zev::kNoText : PacketReader::Read(text, length, pairs);
        if (zev::IsAllocationFailure(hr)) {
            // Not an unreadable packet: storing an empty source would replace what the scene holds.
            throw std::bad_alloc();
        }
        // Unreadable: no pairs, which leaves the source empty as the tree path does (its empty
        // tree gives the one pair ":", which no namespace takes).
        const FlatPairs none;
        FlatPairsWalk walk{hr == S_OK ? pairs : none};
        Distribute(walk);
        return;
    }
    // The tree path reports text that is not UTF-8 as its conversion does.
    CMetaData flat;
    {
        CMetaDataTree root;
        root.Load(packet);
        flat.Flatten(&root);
    }
    SplitByNamespace(&flat);
}

void CMetaDataSource::SplitByNamespace(CMetaData* flat) {
    const CMetaData* const* held = m_MetaData.GetData();
    ValueMapWalk walk{
        flat, std::find(held, held + m_MetaData.GetSize(), flat) != held + m_MetaData.GetSize()};
    Distribute(walk);
}

template <class Walk>
void CMetaDataSource::Distribute(Walk& walk) {
    // Everything is built aside first; the old groups are replaced only once nothing can fail.
    auto list = std::make_unique<CMetaData>();
    list->m_strPrefix = CString(kDeclarationPrefix);
    list->m_strNamespace = CString(u"adobe:ns:meta/");

    // Declarations go to the namespace list; every other pair waits, in the flat map's order.
    std::vector<typename Walk::Handle> pairs;
    pairs.reserve(walk.Count());
    walk.ForEach([&](typename Walk::Handle entry) {
        if (StartsWithNoCase(walk.Key(entry), kDeclarationPrefix)) {
            walk.TakeValue(entry,
                           list->m_Values[walk.Key(entry).data() + kDeclarationPrefix.size()]);
        } else {
            pairs.push_back(entry);
        }
    });

    // One group per declaration, in the namespace list's order, even when it gets no value.
    const auto count = static_cast<size_t>(list->m_Values.GetCount());
    std::vector<std::unique_ptr<CMetaData>> groups;
    groups.reserve(count);
    PrefixIndex index(count);
    POSITION pos = list->m_Values.GetStartPosition();
    while (pos != nullptr) {
        const auto* declaration = list->m_Values.GetNextAssocPtr(pos);
        auto group = std::make_unique<CMetaData>();
        group->m_strPrefix = declaration->key;
        group->m_strNamespace = declaration->value;
        index.Add(declaration->key, groups.size());
        groups.push_back(std::move(group));
    }

    // Each pair goes to the first group whose prefix it carries; a pair no group claims is
    // dropped. Walking the pairs once keeps every group's insertion order that of the flat map.
    // Owners first, so that each group's index is sized once.
    std::vector<std::pair<size_t, size_t>> owners(pairs.size(), {kUnowned, 0});
    std::vector<size_t> sizes(groups.size());
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (index.Owner(walk.Key(pairs[i]), owners[i].first, owners[i].second)) {
            ++sizes[owners[i].first];
        } else {
            owners[i].first = kUnowned;
        }
    }
    for (size_t g = 0; g < groups.size(); ++g) {
        groups[g]->m_Values.ReserveKeys(static_cast<INT_PTR>(sizes[g]));
    }
    for (size_t i = 0; i < pairs.size(); ++i) {
        const auto [group, prefixLength] = owners[i];
        if (group != kUnowned) {
            const char16_t* name = walk.Key(pairs[i]).data() + prefixLength + 1;
            walk.TakeValue(pairs[i], groups[group]->m_Values[name]);
        }
    }

    // Swap in: size the array before the old groups go, so that nothing can fail in between.
    std::vector<CMetaData*> old(m_MetaData.GetData(), m_MetaData.GetData() + m_MetaData.GetSize());
    m_MetaData.SetSize(static_cast<INT_PTR>(groups.size()) + 1);
    m_MetaData[0] = list.release();
    for (size_t i = 0; i < groups.size(); ++i) {
        m_MetaData[static_cast<INT_PTR>(i) + 1] = groups[i].release();
    }
    // The pairs are spent; they go before the old groups, in case they were one of them.
    walk.Spend();
    for (CMetaData* group : old) {
        delete group;
    }
}

POSITION CMetaDataSource::GetFirstNamespacePosition() const {
    if (m_MetaData.IsEmpty() || m_MetaData[0] == nullptr) {
        return nullptr;
    }
    return m_MetaData[0]->m_Values.GetStartPosition();
}

bool CMetaDataSource::GetNextNamespace(POSITION& pos, CString& prefix, CString& uri) const {
    if (pos == nullptr || m_MetaData.IsEmpty() || m_MetaData[0] == nullptr) {
        return false;
    }
    m_MetaData[0]->m_Values.GetNextAssoc(pos, prefix, uri);
    return true;
}

CMetaData* CMetaDataSource::FindMetaDataByPrefix(const CString& prefix) const {
    for (INT_PTR i = 1; i < m_MetaData.GetSize(); ++i) {
        CMetaData* group = m_MetaData[i];
        if (group != nullptr && group->m_strPrefix.CompareNoCase(prefix.view()) == 0) {
            return group;
        }
    }
    return nullptr;
}

namespace {

CMetaData* FindGroupByNamespace(const CArray<CMetaData*, CMetaData*>& groups,
                                std::u16string_view uri) {
    for (INT_PTR i = 1; i < groups.GetSize(); ++i) {
        CMetaData* group = groups[i];
        if (group != nullptr && EqualNoCaseAscii(group->m_strNamespace.view(), uri)) {
            return group;
        }
    }
    return nullptr;
}

}  // namespace

CMetaData* CMetaDataSource::FindMetaDataByNamespace(const CString& uri) const {
    return FindGroupByNamespace(m_MetaData, uri.view());
}

bool CMetaDataSource::GetValue(const CString& tag, CString& value) const {
    CString unused;  // this source never copies into it
    const CString* found = FindValue(tag.view(), unused);
    if (found == nullptr) {
        return false;
    }
    value = *found;
    return true;
}

const CString* CMetaDataSource::FindValue(std::u16string_view tag, CString& /*scratch*/) const {
    const size_t colon = tag.find(u':', kFirstTagColon);
    if (colon == std::u16string_view::npos) {
        return nullptr;
    }
    const CMetaData* group = FindGroupByNamespace(m_MetaData, tag.substr(0, colon));
    if (group == nullptr) {
        return nullptr;
    }
    // As in every lookup of the map by C string, the local name ends at a NUL.
    std::u16string_view name = tag.substr(colon + 1);
    name = name.substr(0, name.find(u'\0'));
    const auto* entry = group->m_Values.PLookupText(name);
    return entry == nullptr ? nullptr : &entry->value;
}

void CMetaDataSource::GetAllNamespaces(CBSTRMetaDataTree* root) const {
    if (root == nullptr) {
        return;
    }
    // What FindMetaDataByPrefix would answer for each prefix, gathered in one pass so that many
    // namespaces do not cost a scan each.
    std::unordered_map<std::u16string, const CMetaData*> byPrefix;
    for (INT_PTR i = m_MetaData.GetSize(); i-- > 1;) {
        if (m_MetaData[i] != nullptr) {
            byPrefix[FoldedCopy(m_MetaData[i]->m_strPrefix.view())] = m_MetaData[i];
        }
    }

    POSITION pos = GetFirstNamespacePosition();
    while (pos != nullptr) {
        const auto* declaration = m_MetaData[0]->m_Values.GetNextAssocPtr(pos);
        auto record = std::make_unique<CBSTRMetaDataTree>();
        record->m_bstrPrefix = declaration->key.AllocSysString();
        record->m_bstrNamespace = declaration->value.AllocSysString();
        auto found = byPrefix.find(FoldedCopy(declaration->key.view()));
        if (found != byPrefix.end()) {
            POSITION at = found->second->m_Values.GetStartPosition();
            while (at != nullptr) {
                const auto* entry = found->second->m_Values.GetNextAssocPtr(at);
                BSTR key = entry->key.AllocSysString();
                BSTR value = nullptr;
                try {
                    value = entry->value.AllocSysString();
                    record->m_Values.InsertNew(key, value);
                } catch (...) {
                    SysFreeString(key);
                    SysFreeString(value);
                    throw;
                }
            }
        }
        root->m_Children.Add(record.get());
        record.release();
    }
}
