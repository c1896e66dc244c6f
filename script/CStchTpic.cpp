#include "CStchTpic.h"

#include "CContentResource.h"
#include "CTrigger.h"
#include "ScriptLog.h"

using namespace Formats::Trigger;

CStchTpic::CStchTpic(uint16_t topicId, CDrawX* draw) : m_topicId(topicId), m_draw(draw) {}

CStchTpic::~CStchTpic() = default;

int CStchTpic::Load()
{
    if (!m_triggers.IsEmpty())
        return 0;
    m_triggers.SetDraw(m_draw);
    CContentResource resource;
    if (!resource.Load(m_topicId, ResName(ResType::kTopic)))
        return 0;
    const uint8_t* bytes = resource.Lock();
    const std::optional<TrigView> view =
        bytes ? DecodeTrig({bytes, resource.size}) : std::optional<TrigView>();
    if (!view) {
        qCDebug(lcScript) << "Trig" << m_topicId << "shorter than its header";
        resource.Unlock();
        return 0;
    }
    for (const TriggerView& record : view->triggers) {
        std::unique_ptr<CTrigger> created = CreateTrigger(record.kind, &m_triggers);
        if (!created) {
            qCDebug(lcScript) << "Trig" << m_topicId << "has unknown kind" << record.kind;
            resource.Unlock();
            return 0;
        }
        if (!created->Init(record, m_draw)) {
            resource.Unlock();
            return 0;
        }
        CTrigger* trigger = m_ownedTriggers.emplace_back(std::move(created)).get();
        if (record.kind == kBackground)
            m_triggers.AddHead(trigger);
        else
            m_triggers.AddTail(trigger);
    }
    resource.Unlock();
    // Records that run past the resource refuse the topic.
    if (view->truncated) {
        qCDebug(lcScript) << "Trig" << m_topicId << "records run past its end";
        return 0;
    }
    return 1;
}

int CStchTpic::Tick()
{
    if (m_triggers.IsEmpty())
        return 0;
    return m_triggers.Tick() ? 1 : 0;
}
