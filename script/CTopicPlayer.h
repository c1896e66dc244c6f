#pragma once
#include "CDrawPC.h"

#include <QRegion>
#include <cstdint>
#include <memory>

class CStchTpic;
class CTargetDC;

/// Plays one topic on a window, a printer page or an image: owns the
/// off-screen drawing context and the loaded topic. Every operation but
/// SetMouse runs under the caller's drawing lock.
class CTopicPlayer {
public:
    /// `controlsRegion` (borrowed, may be null) is left out of every copy to
    /// the target; an empty `clock` means the system tick count.
    CTopicPlayer(uint16_t topicId, CTargetDC* target, const QRegion* controlsRegion = nullptr,
                 CDrawPC::Clock clock = {});
    ~CTopicPlayer();
    CTopicPlayer(const CTopicPlayer&) = delete;
    CTopicPlayer& operator=(const CTopicPlayer&) = delete;

    /// Creates the drawing context and loads the topic; 0 (keeping neither)
    /// when either fails.
    int Open();
    /// One animation step, copied to the target at its end.
    int Tick();
    /// Makes `dc` the target, then Tick.
    int TickOn(CTargetDC* dc);
    /// Repaints what `dc` needs from the off-screen buffer.
    void Paint(CTargetDC* dc);
    /// Mouse state for the next tick (any thread).
    void SetMouse(uint16_t flags, int x, int y);

    uint16_t GetTopicId() const { return m_topicId; }
    /// Null unless opened.
    CDrawPC* GetDraw() const { return m_draw.get(); }
    CStchTpic* GetTopic() const { return m_topic.get(); }

private:
    CTargetDC* m_target;
    std::unique_ptr<CDrawPC> m_draw;
    uint16_t m_topicId;
    std::unique_ptr<CStchTpic> m_topic;
    const QRegion* m_controlsRegion;
    CDrawPC::Clock m_clock;
};
