#include "CTopicPlayer.h"

#include "CStchTpic.h"
#include "CTargetDC.h"

CTopicPlayer::CTopicPlayer(uint16_t topicId, CTargetDC* target, const QRegion* controlsRegion,
                           CDrawPC::Clock clock)
    : m_target(target), m_topicId(topicId), m_controlsRegion(controlsRegion), m_clock(std::move(clock))
{
}

CTopicPlayer::~CTopicPlayer()
{
    // The topic draws into the context: it goes first.
    m_topic.reset();
    m_draw.reset();
}

int CTopicPlayer::Open()
{
    if (m_draw)
        return 0; // a player is opened once
    auto draw = std::make_unique<CDrawPC>(m_target, m_controlsRegion, m_clock);
    if (!draw->Create())
        return 0;
    auto topic = std::make_unique<CStchTpic>(m_topicId, draw.get());
    if (!topic->Load())
        return 0; // the topic, then the context, go here
    draw->ClearDirty();
    m_draw = std::move(draw);
    m_topic = std::move(topic);
    return 1;
}

int CTopicPlayer::Tick()
{
    if (!m_draw)
        return 1;
    if (m_topic)
        m_topic->Tick();
    m_draw->Flush();
    return 1;
}

int CTopicPlayer::TickOn(CTargetDC* dc)
{
    if (m_draw)
        m_draw->SetDC(dc);
    return Tick();
}

void CTopicPlayer::Paint(CTargetDC* dc)
{
    if (!m_draw || !dc)
        return;
    m_draw->SetDC(dc);
    QRect box;
    if (!dc->GetClipBox(&box))
        return;
    const RECT rect{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
    m_draw->ShowRect(&rect);
}

void CTopicPlayer::SetMouse(uint16_t flags, int x, int y)
{
    if (m_draw)
        m_draw->SetMouse(flags, x, y);
}
