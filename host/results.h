// results.h - the codes the exports return, and the scene operations behind them pass up. The
// numbers are the ABI's (include/olvane/olvane.h) and never change. One number means different
// things in different exports (-3 is a success for AddDestination and a failure for GetRules), so
// each export, or group of exports that agree, has its own names.
#pragma once

#include "metadata/destination.h"

// Every export that takes a scene ID, when no scene has it; nothing else is touched.
constexpr int kNoScene = -1;
// DelScene, SetRulesDialog: done.
constexpr int kDone = 1;

// AddDestination and SetMetaData.
struct StoreResult {
    static constexpr int kStored = 1;     // the key was new
    static constexpr int kReplaced = -3;  // an older object under the key was replaced: a success
};

// DelDestination.
struct DelDestinationResult {
    static constexpr int kDeleted = DeleteResult::kDeleted;
    static constexpr int kNothingUnderKey = -2;
    // The object was taken out of the scene but not freed.
    static constexpr int kUnknownType = DeleteResult::kUnknownType;
};

// GetRules and ParseRules.
struct RulesResult {
    static constexpr int kFilled = 1;
    static constexpr int kNullList = -2;  // the exports, before the scene is looked up
    static constexpr int kNothingUnderKey = -2;
    static constexpr int kNotASource = -3;
    static constexpr int kSceneNullList = -4;  // the scene's GetRules
};

// GetAllNamespaces.
struct NamespacesResult {
    static constexpr int kFilled = 1;
    static constexpr int kNullTree = -2;  // the export's tree address, or the scene's root
    static constexpr int kNothingUnderKey = -3;
    static constexpr int kNotASource = -4;
};

// SetRulesXML (also when the text does not parse: then nothing changes).
struct SetRulesXmlResult {
    static constexpr int kDone = 1;
    static constexpr int kNotASource = -2;
};

// FreeRules and FreeNamespace.
struct FreeResult {
    static constexpr int kFreed = 1;
    static constexpr int kNullAddress =
        -1;                               // FreeRules: the list; FreeNamespace: the tree's address
    static constexpr int kNullTree = -2;  // FreeNamespace: the pointer at that address
};

// GetRulesXML reports its failures in-band, as text in place of the XML.
constexpr char16_t kNoSceneText[] = u"-1";
constexpr char16_t kNotASourceText[] = u"-2";
