// host_driver.h - a host that misuses the library on purpose. A stream of choices picks each call
// (scene IDs live, deleted and never issued; keys that collide; rule arrays reused; namespace trees
// kept across deletions), and a model of what the library holds predicts every result. Used by
// the host-misuse fuzz target, the driver test and the soak test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "olvane/olvane.h"

namespace olvane_fuzz {

// Where the driver's choices come from: a fuzz input (exhausted bytes read as zeros), or a seeded
// generator (endless).
class Choices {
  public:
    Choices(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    explicit Choices(uint64_t seed) : m_random(true), m_engine(seed) {}
    uint32_t Below(uint32_t bound);  // in [0, bound)
    std::string Bytes(size_t max);   // up to max bytes of free text
    bool More() const { return m_random || m_at < m_size; }

  private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_at = 0;
    bool m_random = false;
    std::mt19937_64 m_engine;
};

class HostDriver {
  public:
    // packets: more packets to draw from (their namespaces are not predicted). maxLiveScenes:
    // beyond it, AddScene gives way to DelScene.
    HostDriver(Choices& choices, std::vector<std::string> packets = {}, size_t maxLiveScenes = 8);
    ~HostDriver();
    HostDriver(const HostDriver&) = delete;
    HostDriver& operator=(const HostDriver&) = delete;

    // One call chosen by the choices, checked against the model; false on the first mismatch.
    bool Step();
    // Removes every scene and checks that nothing is left; the destructor frees what the host
    // holds.
    bool Finish();
    const std::string& Failure() const { return m_failure; }
    size_t Calls() const { return m_calls; }

  private:
    struct Object {
        int type = 0;         // 0 destination, 1 metadata source
        int rules = 0;        // a source's rules
        int namespaces = -1;  // a source's namespaces; -1 when not predicted
    };
    using Scene = std::map<std::u16string, Object>;

    bool Check(bool ok, const char* what);
    bool Call(int op, int id, const char* key, Scene* scene, Object* object);
    bool RemoveAll();

    Choices& m_choices;
    std::vector<std::string> m_packets;
    std::vector<int> m_namespaces;  // per packet; -1 when not predicted
    size_t m_maxLive;
    std::map<int, Scene> m_live;
    std::vector<int> m_deleted;
    std::vector<std::pair<std::u16string, int>> m_rulesTexts;  // text, rules it adds (-1: none)
    OlvaneRuleArray m_arrays[3] = {};
    OlvaneNamespace* m_trees[3] = {};
    std::string m_failure;
    size_t m_calls = 0;
};

}  // namespace olvane_fuzz
