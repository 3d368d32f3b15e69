// host_driver.h - a host that misuses the library on purpose. A stream of choices picks each call
// (scene IDs live, deleted and never issued; keys shared by destinations and sources; rule arrays
// reused; namespace trees kept across deletions and freed), and a model of what the library holds
// predicts every result. Used by the host-misuse fuzz target and the soak test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "olvane/olvane.h"

namespace olvane_fuzz {

// Where the driver's choices come from.
class IChoices {
  public:
    virtual ~IChoices() = default;
    // A number in [0, bound); bound is at least 1.
    virtual uint32_t Below(uint32_t bound) = 0;
    // Up to max bytes of free text.
    virtual std::string Bytes(size_t max) = 0;
    // False once a finite source has nothing left.
    virtual bool More() const = 0;
};

// Choices read from a fuzz input; exhausted bytes read as zeros.
class ByteChoices final : public IChoices {
  public:
    ByteChoices(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint32_t Below(uint32_t bound) override;
    std::string Bytes(size_t max) override;
    bool More() const override { return m_at < m_size; }

  private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Endless choices from a seeded generator; its free text is markup-like ASCII.
class RandomChoices final : public IChoices {
  public:
    explicit RandomChoices(uint64_t seed) : m_engine(seed) {}
    uint32_t Below(uint32_t bound) override;
    std::string Bytes(size_t max) override;
    bool More() const override { return true; }

  private:
    std::mt19937_64 m_engine;
};

class HostDriver {
  public:
    // packets: extra packets to draw from besides the driver's own (their namespace counts are
    // not predicted). maxLiveScenes: beyond it, AddScene gives way to DelScene.
    HostDriver(IChoices& choices, std::vector<std::string> packets = {}, size_t maxLiveScenes = 8);
    ~HostDriver();
    HostDriver(const HostDriver&) = delete;
    HostDriver& operator=(const HostDriver&) = delete;

    // One call chosen by the choices, checked against the model. False on the first mismatch.
    bool Step();
    // Frees everything the host holds, removes every scene and checks that nothing is left.
    bool Finish();

    const std::string& Failure() const { return m_failure; }
    size_t Calls() const { return m_calls; }

  private:
    struct Object {
        int type = 0;         // 0 destination, 1 metadata source
        int rules = 0;        // for a source
        int namespaces = -1;  // for a source; -1 when not predicted
    };
    struct Scene {
        std::map<std::u16string, Object> objects;
    };
    struct RulesText {
        std::u16string text;
        int rules;    // the rules it holds
        bool parses;  // well-formed (a failed parse changes nothing)
        bool rootOk;  // its root is the rules root
    };

    bool Check(bool ok, const std::string& what);
    int PickScene();
    std::string PickKey();
    const char* KeyArg(const std::string& key) const;
    Scene* Live(int id);
    Object* Find(int id, const std::string& key);
    OlvaneRuleArray* PickArray();
    bool TouchRecords(const OlvaneRuleArray& records, int expectedSize);
    bool TouchTree(const OlvaneNamespace* root);

    bool DoAddScene();
    bool DoDelScene();
    bool DoRemoveAllScenes();
    bool DoAddDestination();
    bool DoDelDestination();
    bool DoSetMetaData();
    bool DoSetRulesXML();
    bool DoGetRulesXML();
    bool DoGetRules();
    bool DoParseRules();
    bool DoFreeRules();
    bool DoGetAllNamespaces();
    bool DoFreeNamespace();
    bool DoTouchHeld();

    IChoices& m_choices;
    std::vector<std::string> m_extraPackets;
    size_t m_maxLive;
    std::map<int, Scene> m_live;
    std::vector<int> m_deleted;
    std::vector<RulesText> m_rulesTexts;
    OlvaneRuleArray m_arrays[3] = {};
    OlvaneNamespace* m_trees[3] = {};
    std::string m_failure;
    size_t m_calls = 0;
};

}  // namespace olvane_fuzz
