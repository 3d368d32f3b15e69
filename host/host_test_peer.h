// host_test_peer.h - HostTestPeer: what tests may see inside the application object and its scenes,
// which keep their data private. The one friend those classes declare for tests; nothing else
// reaches in.
#pragma once

#include "host/olvane_app.h"
#include "host/pavex_scene.h"
#include "metadata/destination.h"
#include "platform/types.h"

class HostTestPeer {
  public:
    // How many scenes the library holds.
    static INT_PTR SceneCount() { return TheApp().m_mapScenes.GetCount(); }
    // The ID the next AddScene will hand out.
    static int NextSceneID() { return CPavexScene::s_nNextSceneID; }
    // A scene's keyed collection, in the map's own order.
    static const CDestinationMap& Destinations(const CPavexScene& scene) {
        return scene.m_mapDestinations;
    }
};
