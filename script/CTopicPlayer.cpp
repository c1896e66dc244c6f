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
    delete m_topic;
    delete m_draw;
}

int CTopicPlayer::Open()
{
    if (m_draw)
        return 0; // a player is opened once
    m_draw = new CDrawPC(m_target, m_controlsRegion, m_clock);
    if (!m_draw->Create()) {
        delete m_draw;
        m_draw = nullptr;
        return 0;
    }
    m_topic = new CStchTpic(m_topicId, m_draw);
    if (m_topic->Load()) {
        m_draw->ClearDirty();
        return 1;
    }
    delete m_topic;
    m_topic = nullptr;
    delete m_draw;
    m_draw = nullptr;
    return 0;
}

int CTopicPlayer::Tick()
{
    if (!m_draw)
        return 1;
    const int token = m_draw->SaveState(0);
    m_draw->BeginFrame();
    if (m_topic)
        m_topic->Tick();
    m_draw->RestoreState(token);
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
