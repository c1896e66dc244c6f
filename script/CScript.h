#pragma once
#include "CSList.h"

#include <QRegion>
#include <cstdint>
#include <memory>
#include <vector>

class CDrawX;
class CScript;
class CScriptList;
class CStatement;
class CTrigger;

/// A script's statements; its cursor is the script's program counter (null
/// means past the end).
class CStatementList : public CSList<CStatement> {
public:
    explicit CStatementList(CScript* owner) : m_owner(owner) {}

    /// One pass: statements run from the program counter until one ends the
    /// pass or the counter runs past the end (the script then finishes).
    /// True when a statement that changes the picture ran.
    bool Run();

    void SetDelay(uint16_t ms);
    void StartScript(uint16_t id);
    void Finish();
    void Restart(uint16_t index);
    void RepaintBackground(const QRegion* region);

private:
    CScript* m_owner;
};

/// One loaded `Scrp` resource and its run state. The script owns its
/// statements and their list.
class CScript {
public:
    CScript(CScriptList* owner, uint16_t id);
    ~CScript();
    CScript(const CScript&) = delete;
    CScript& operator=(const CScript&) = delete;

    /// Builds the statement list from the `Scrp` resource of this id; false
    /// when there is no such resource.
    bool Load(CDrawX* draw);
    /// Program counter = first statement, moved on `index` times; runnable
    /// again. The delay is kept.
    void Restart(uint16_t index);
    /// Waits `ms` (sign-extended) from now.
    void SetDelay(uint16_t ms);
    void ClearDelay();
    /// True while a delay is set; an expired delay is cleared here, and the
    /// call that clears it still answers true.
    bool IsWaiting();
    /// One pass of the statements.
    bool Run();
    void Finish() { m_finished = 1; }
    void StartScript(uint16_t id);
    void RepaintBackground(const QRegion* region);

    bool IsFinished() const { return m_finished != 0; }
    uint16_t GetId() const { return m_id; }
    /// Null when the script has no `Scrp` resource.
    CStatementList* GetStatements() const { return m_statements.get(); }

private:
    int m_finished = 0;
    uint16_t m_id;
    int32_t m_delayLength = 0;
    uint32_t m_delayEnd = 0;
    CScriptList* m_owner;
    std::unique_ptr<CStatementList> m_statements;
    // Declared after the list, so the statements go before it.
    std::vector<std::unique_ptr<CStatement>> m_ownedStatements;
    CDrawX* m_draw = nullptr;
};

/// The scripts of one trigger; the trigger keeps the scripts its list
/// loads (CTrigger::KeepScript).
class CScriptList : public CSList<CScript> {
public:
    explicit CScriptList(CTrigger& owner) : m_owner(owner) {}

    /// First script with this id (the cursor stays on it) or null.
    CScript* FindScript(uint16_t id);
    /// Restarts the script of this id, or loads and appends it.
    void Start(uint16_t id);
    /// One pass of every runnable script; true when at least one ran.
    bool RunAll();
    /// The owning trigger repaints the background inside the region.
    void RepaintBackground(const QRegion* region);

    void SetDraw(CDrawX* draw) { m_draw = draw; }

    /// Upper bound on passes in one walk: New statements that restart a
    /// script earlier in the list send the walk back, and the walk must end.
    static constexpr int kMaxPassesPerWalk = 4096;

private:
    CTrigger& m_owner;
    CDrawX* m_draw = nullptr;
};
