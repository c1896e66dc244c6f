#pragma once
#include "CTriggerList.h"

#include <cstdint>
#include <memory>
#include <vector>

class CDrawX;
class CTrigger;

/// One topic: its triggers (owned), built from the `Trig` resource of its
/// id, drawing into a borrowed drawing context.
class CStchTpic {
public:
    CStchTpic(uint16_t topicId, CDrawX* draw);
    ~CStchTpic();
    CStchTpic(const CStchTpic&) = delete;
    CStchTpic& operator=(const CStchTpic&) = delete;

    /// Builds the triggers; 0 when the topic is missing or malformed, or is
    /// already loaded. Triggers built before a failure stay until the topic
    /// is destroyed.
    int Load();
    /// One tick of the trigger list (nothing for a topic without triggers).
    int Tick();

    CTriggerList& Triggers() { return m_triggers; }

private:
    uint16_t m_topicId;
    std::vector<std::unique_ptr<CTrigger>> m_ownedTriggers;
    CTriggerList m_triggers;
    CDrawX* m_draw;
};
