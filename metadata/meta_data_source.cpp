// meta_data_source.cpp - CMetaDataSource: reading a packet, its namespaces and values, and the
// namespace records for the host.
#include "metadata/meta_data_source.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "metadata/meta_data_tree.h"
#include "metadata/packet_reader.h"
#include "platform/bstr.h"
#include "platform/codepage.h"
#include "platform/text_index.h"
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
    explicit PrefixIndex(size_t count) {
        m_folded.reserve(count);
        m_index.Reserve(count);
    }

    void Add(const CString& prefix, size_t group) {
        m_folded.push_back(FoldedCopy(prefix.view()));
        const std::u16string_view folded = m_folded.back();
        const uint64_t hash = platform::TextHash(folded);
        if (m_index.Find(folded, hash, [this](uint32_t ref) { return Folded(ref); }) == 0) {
            m_index.Insert(static_cast<uint32_t>(group + 1), hash);
        }
        if (folded.size() > m_longest) {
            m_longest = folded.size();
        }
    }

    // The group that takes the pair with this key: among the declared prefixes p for which the
    // key starts with p followed by ':', the one first in namespace-list order. Each candidate p
    // ends where the key has a ':', so only those places are tried.
    bool Owner(std::u16string_view key, size_t& group, size_t& prefixLength) {
        const size_t limit = key.size() < m_longest + 1 ? key.size() : m_longest + 1;
        if (m_scratch.size() < limit) {
            m_scratch.resize(limit);
        }
        bool found = false;
        size_t folded = 0;  // the key is folded only up to the last colon tried
        for (size_t i = 0; i < limit; ++i) {
            if (key[i] == u':') {
                for (; folded < i; ++folded) {
                    m_scratch[folded] = FoldAscii(key[folded]);
                }
                const std::u16string_view prefix(m_scratch.data(), i);
                const uint32_t ref = m_index.Find(prefix, platform::TextHash(prefix),
                                                  [this](uint32_t r) { return Folded(r); });
                if (ref != 0 && (!found || ref - 1 < group)) {
                    group = ref - 1;
                    prefixLength = i;
                    found = true;
                }
            }
        }
        return found;
    }

  private:
    // The index holds group + 1; the folded prefix of group g is m_folded[g].
    std::u16string_view Folded(uint32_t ref) const { return m_folded[ref - 1]; }

    std::vector<std::u16string> m_folded;
    platform::TextIndex<uint32_t> m_index;
    size_t m_longest = 0;
    std::u16string m_scratch;  // the key folded so far (its size only grows)
};

constexpr size_t kUnowned = ~size_t{0};

BSTR AllocBstr(std::u16string_view text) {
    return AllocBstrOrThrow(text.data(), static_cast<unsigned int>(text.size()));
}

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
        CMetaData flat;
        const HRESULT hr = whole.empty() || whole == "-1"
                               ? zev::kNoText
                               : PacketReader::Read(text, length, flat.m_Values);
        if (zev::IsAllocationFailure(hr)) {
            // Not an unreadable packet: storing an empty source would replace what the scene holds.
            throw std::bad_alloc();
        }
        // Unreadable: no pairs, which leaves the source empty as the tree path does (its empty
        // tree gives the one pair ":", which no namespace takes).
        if (hr != S_OK) {
            flat.m_Values.RemoveAll();
        }
        SplitByNamespace(&flat);
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
    CMetaData none;
    const ValueMap& pairs = flat == nullptr ? none.m_Values : flat->m_Values;

    // Everything is built aside first; the old groups are replaced only once nothing can fail.
    // The groups take their texts from the pairs' blocks, which they keep alive.
    auto list = std::make_unique<CMetaData>();
    list->m_strPrefix = CString(kDeclarationPrefix);
    list->m_strNamespace = CString(u"adobe:ns:meta/");
    list->m_Values.ShareTexts(pairs);

    // Declarations go to the namespace list; every other pair waits, in the flat map's order.
    std::vector<const ValueMap::Entry*> values;
    values.reserve(pairs.GetCount());
    pairs.ForEach([&](const ValueMap::Entry& entry) {
        if (StartsWithNoCase(entry.key(), kDeclarationPrefix)) {
            list->m_Values.SetShared(entry.key().substr(kDeclarationPrefix.size()), entry.value());
        } else {
            values.push_back(&entry);
        }
    });

    // One group per declaration, in the namespace list's order, even when it gets no value.
    const size_t count = list->m_Values.GetCount();
    std::vector<std::unique_ptr<CMetaData>> groups;
    groups.reserve(count);
    PrefixIndex index(count);
    list->m_Values.ForEach([&](const ValueMap::Entry& declaration) {
        auto group = std::make_unique<CMetaData>();
        group->m_strPrefix = CString(declaration.key());
        group->m_strNamespace = CString(declaration.value());
        group->m_Values.ShareTexts(pairs);
        index.Add(group->m_strPrefix, groups.size());
        groups.push_back(std::move(group));
    });

    // Each pair goes to the first group whose prefix it carries; a pair no group claims is
    // dropped. Walking the pairs once keeps every group's insertion order that of the flat map.
    // Owners first, so that each group's index is sized once.
    std::vector<std::pair<size_t, size_t>> owners(values.size(), {kUnowned, 0});
    std::vector<size_t> sizes(groups.size());
    for (size_t i = 0; i < values.size(); ++i) {
        if (index.Owner(values[i]->key(), owners[i].first, owners[i].second)) {
            ++sizes[owners[i].first];
        } else {
            owners[i].first = kUnowned;
        }
    }
    for (size_t g = 0; g < groups.size(); ++g) {
        groups[g]->m_Values.ReserveKeys(sizes[g]);
    }
    for (size_t i = 0; i < values.size(); ++i) {
        const auto [group, prefixLength] = owners[i];
        if (group != kUnowned) {
            groups[group]->m_Values.SetShared(values[i]->key().substr(prefixLength + 1),
                                              values[i]->value());
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
    if (flat != nullptr) {
        flat->m_Values.RemoveAll();
    }
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
    const ValueMap::Entry& declaration = m_MetaData[0]->m_Values.GetNext(pos);
    prefix = CString(declaration.key());
    uri = CString(declaration.value());
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
        if (group != nullptr && EqualNoCaseAscii(group->GetNamespace().view(), uri)) {
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
    const std::optional<std::u16string_view> found = FindValue(tag.view(), unused);
    if (!found) {
        return false;
    }
    value = CString(*found);
    return true;
}

std::optional<std::u16string_view> CMetaDataSource::FindValue(std::u16string_view tag,
                                                              CString& /*scratch*/) const {
    const size_t colon = tag.find(u':', kFirstTagColon);
    if (colon == std::u16string_view::npos) {
        return std::nullopt;
    }
    const CMetaData* group = FindGroupByNamespace(m_MetaData, tag.substr(0, colon));
    if (group == nullptr) {
        return std::nullopt;
    }
    // As in every lookup of the map by C string, the local name ends at a NUL.
    std::u16string_view name = tag.substr(colon + 1);
    name = name.substr(0, name.find(u'\0'));
    const ValueMap::Entry* entry = group->m_Values.Lookup(name);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return entry->value();
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

    if (m_MetaData.IsEmpty() || m_MetaData[0] == nullptr) {
        return;
    }
    m_MetaData[0]->m_Values.ForEach([&](const ValueMap::Entry& declaration) {
        auto record = std::make_unique<CBSTRMetaDataTree>();
        record->m_bstrPrefix = AllocBstr(declaration.key());
        record->m_bstrNamespace = AllocBstr(declaration.value());
        auto found = byPrefix.find(FoldedCopy(declaration.key()));
        if (found != byPrefix.end()) {
            found->second->m_Values.ForEach([&](const ValueMap::Entry& entry) {
                BSTR key = AllocBstr(entry.key());
                BSTR value = nullptr;
                try {
                    value = AllocBstr(entry.value());
                    record->m_Values.InsertNew(key, value);
                } catch (...) {
                    SysFreeString(key);
                    SysFreeString(value);
                    throw;
                }
            });
        }
        root->m_Children.Add(record.get());
        record.release();
    });
}
