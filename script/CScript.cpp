#include "CScript.h"

#include "CContentResource.h"
#include "CDrawX.h"
#include "CStatement.h"
#include "CTrigger.h"
#include "ScriptLog.h"
#include "formats/ScriptFormat.h"

// ---- CStatementList -------------------------------------------------------

bool CStatementList::Run()
{
    bool result = false;
    CStatement* s = GetCurrent();
    if (!s) {
        m_owner->Finish();
        return false;
    }
    // Only drawing statements let the pass go on, and each of them moves
    // the counter forward, so a pass ends within one walk of the list.
    for (;;) {
        const bool goOn = s->Execute();
        if (s->Draws())
            result = true;
        s = GetCurrent();
        if (!s) {
            m_owner->Finish();
            break;
        }
        if (!goOn)
            break;
    }
    return result;
}

void CStatementList::SetDelay(uint16_t ms) { m_owner->SetDelay(ms); }
void CStatementList::StartScript(uint16_t id) { m_owner->StartScript(id); }
void CStatementList::Finish() { m_owner->Finish(); }
void CStatementList::Restart(uint16_t index) { m_owner->Restart(index); }
void CStatementList::RepaintBackground(const QRegion* region) { m_owner->RepaintBackground(region); }

// ---- CScript --------------------------------------------------------------

CScript::CScript(CScriptList* owner, uint16_t id) : m_id(id), m_owner(owner) {}

CScript::~CScript() = default;

bool CScript::Load(CDrawX* draw)
{
    m_draw = draw;
    CContentResource resource;
    if (!resource.Load(m_id, ResName(ResType::kScript))) {
        qCDebug(lcScript) << "no Scrp" << m_id;
        return false;
    }
    const uint8_t* bytes = resource.Lock();
    m_statements = std::make_unique<CStatementList>(this);
    if (bytes) {
        // A header cut short reads as no statements; records stop at an
        // unknown opcode or at the first one that runs past the resource.
        if (auto view = Formats::Script::DecodeScript({bytes, resource.size})) {
            if (view->truncated || view->stoppedAtUnknownOpcode)
                qCDebug(lcScript) << "Scrp" << m_id << "read up to offset" << view->end;
            for (const Formats::Script::RecordView& record : view->records) {
                std::unique_ptr<CStatement> created = CreateStatement(record, m_statements.get());
                if (!created)
                    break;
                CStatement* statement = m_ownedStatements.emplace_back(std::move(created)).get();
                m_statements->AddTail(statement);
                statement->Bind(draw);
            }
        }
    }
    resource.Unlock();
    m_statements->GetFirst();
    return true;
}

void CScript::Restart(uint16_t index)
{
    if (m_statements) {
        m_statements->GetFirst();
        for (uint16_t i = 0; i < index; ++i)
            m_statements->GetNext();
    }
    m_finished = 0;
}

void CScript::SetDelay(uint16_t ms)
{
    m_delayLength = static_cast<int16_t>(ms);
    m_delayEnd = (m_draw ? m_draw->GetTicks() : 0) + static_cast<uint32_t>(m_delayLength);
}

void CScript::ClearDelay()
{
    m_delayLength = 0;
    m_delayEnd = 0;
}

bool CScript::IsWaiting()
{
    if (m_delayEnd == 0)
        return false;
    // Measured as the time since the delay was set, modulo 2^32, so that the
    // tick count wrapping around neither cuts a delay short nor makes one
    // whose end lies before zero (a negative length) wait for the next wrap.
    const uint32_t now = m_draw ? m_draw->GetTicks() : m_delayEnd;
    const uint32_t setAt = m_delayEnd - static_cast<uint32_t>(m_delayLength);
    if (m_delayLength <= 0 || now - setAt >= static_cast<uint32_t>(m_delayLength))
        ClearDelay();
    return true;
}

bool CScript::Run()
{
    if (!m_statements) {
        Finish();
        return false;
    }
    return m_statements->Run();
}

void CScript::StartScript(uint16_t id)
{
    if (m_owner)
        m_owner->Start(id);
}

void CScript::RepaintBackground(const QRegion* region)
{
    if (m_owner)
        m_owner->RepaintBackground(region);
}

// ---- CScriptList ----------------------------------------------------------

CScript* CScriptList::FindScript(uint16_t id)
{
    for (CScript* script = GetFirst(); script; script = GetNext()) {
        if (script->GetId() == id)
            return script;
    }
    return nullptr;
}

void CScriptList::Start(uint16_t id)
{
    if (CScript* script = FindScript(id)) {
        script->Restart(0);
        return;
    }
    auto script = std::make_unique<CScript>(this, id);
    if (script->Load(m_draw))
        AddTail(m_owner.KeepScript(std::move(script)));
}

bool CScriptList::RunAll()
{
    if (IsEmpty())
        return false;
    bool result = false;
    int passes = 0;
    // The walk shares the cursor with Start: a New that finds its script
    // continues the walk after that script; one that loads a new script
    // leaves the cursor null and ends the walk for this tick.
    for (CScript* script = GetFirst(); script; script = GetNext()) {
        if (!script->IsFinished() && !script->IsWaiting()) {
            result = true;
            script->Run();
            if (++passes >= kMaxPassesPerWalk) {
                qCDebug(lcScript) << "walk of scripts cut after" << passes << "passes";
                break;
            }
        }
    }
    return result;
}

void CScriptList::RepaintBackground(const QRegion* region)
{
    m_owner.RepaintBackground(region);
}
