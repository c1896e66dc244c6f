#pragma once
#include "CSList.h"
#include "CScript.h"
#include "CXRGN.h"
#include "DrawTypes.h"
#include "formats/TriggerFormat.h"

#include <QRegion>
#include <cstdint>
#include <memory>
#include <vector>

class CDrawX;
class CTriggerList;

/// One hot rectangle of a trigger.
struct CXRECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

/// A trigger's hot rectangles with a one-point hit cache. The list never
/// changes once the trigger is built, so the cache stays valid.
class CRectList : public CSList<CXRECT> {
public:
    /// True when some rectangle holds the point (right and bottom edges
    /// outside); the same point as last time answers from the cache.
    bool PtInList(const POINT* point);

private:
    int m_lastX = 0;
    int m_lastY = 0;
    bool m_lastResult = false;
};

/// Ties hot rectangles and a main script together and decides, from the
/// mouse and from its scripts' progress, when the scripts run and when
/// their drawing is given back to the background. The trigger owns its
/// hot rectangles, its scripts and its region.
class CTrigger {
public:
    enum State : uint16_t { kArmed = 0, kRunning = 1, kFinishing = 2 };

    virtual ~CTrigger();
    CTrigger(const CTrigger&) = delete;
    CTrigger& operator=(const CTrigger&) = delete;

    /// Takes the record's script and rectangles; false only when the region
    /// cannot be made.
    bool Init(const Formats::Trigger::TriggerView& record, CDrawX* draw);
    virtual bool Test() = 0;
    virtual int GetKind() const = 0;
    /// Runs one pass of every runnable script, drawing into this trigger's
    /// region; true when any script ran.
    bool Run();
    /// Everything this trigger's scripts drew (the region as created while
    /// nothing was drawn).
    const QRegion* GetRgn() const;
    /// Armed again (Background keeps its state), the main script from its
    /// first statement.
    void Restart();
    /// The background repaints inside the region; the list's cursor comes
    /// back to this trigger.
    void RepaintBackground(const QRegion* region);
    void Advance();
    bool HitTest();
    bool IsMouseUp();
    bool IsMouseDown();

    uint16_t GetState() const { return m_state; }
    CScriptList& Scripts() { return m_scripts; }
    CRectList& HotRects() { return m_hotRects; }
    uint16_t GetMainScriptId() const { return m_mainScriptId; }

protected:
    explicit CTrigger(CTriggerList* list) : m_scripts(*this), m_triggerList(list) {}

private:
    friend class CScriptList;
    /// Takes a script its script list has loaded; returns it.
    CScript* KeepScript(std::unique_ptr<CScript> script);

    uint16_t m_state = kArmed;
    std::unique_ptr<CXRGN> m_region;
    std::vector<std::unique_ptr<CXRECT>> m_ownedHotRects;
    CRectList m_hotRects;
    std::vector<std::unique_ptr<CScript>> m_ownedScripts;
    CScriptList m_scripts;
    CDrawX* m_draw = nullptr;
    CTriggerList* m_triggerList;
    uint16_t m_mainScriptId = 0;
};

/// Loops by itself.
class CTriggerContinuous : public CTrigger {
public:
    explicit CTriggerContinuous(CTriggerList* list) : CTrigger(list) {}
    bool Test() override { return true; }
    int GetKind() const override { return Formats::Trigger::kContinuous; }
};

/// Draws the topic's background once and repaints it on request.
class CTriggerBackground : public CTrigger {
public:
    explicit CTriggerBackground(CTriggerList* list) : CTrigger(list) {}
    bool Test() override { return true; }
    int GetKind() const override { return Formats::Trigger::kBackground; }
};

/// Runs while the mouse is over a hot rectangle.
class CTriggerMouseOver : public CTrigger {
public:
    explicit CTriggerMouseOver(CTriggerList* list) : CTrigger(list) {}
    bool Test() override { return HitTest(); }
    int GetKind() const override { return Formats::Trigger::kMouseOver; }
};

/// Fires on a release inside after the button was seen down inside.
class CTriggerMouseUp : public CTrigger {
public:
    explicit CTriggerMouseUp(CTriggerList* list) : CTrigger(list) {}
    bool Test() override;
    int GetKind() const override { return Formats::Trigger::kMouseUp; }

private:
    bool m_seenDown = false;
};

/// Fires on a press inside after the button was seen up inside.
class CTriggerMouseDown : public CTrigger {
public:
    explicit CTriggerMouseDown(CTriggerList* list) : CTrigger(list) {}
    bool Test() override;
    int GetKind() const override { return Formats::Trigger::kMouseDown; }

private:
    bool m_seenUp = false;
};

/// Fires on up, down, up, all inside, without leaving.
class CTriggerMouseClick : public CTrigger {
public:
    explicit CTriggerMouseClick(CTriggerList* list) : CTrigger(list) {}
    bool Test() override;
    int GetKind() const override { return Formats::Trigger::kMouseClick; }

private:
    bool m_seenUp = false;
    bool m_seenDown = false;
};

/// The trigger class of a record kind, or null for a kind outside 1-6.
std::unique_ptr<CTrigger> CreateTrigger(int16_t kind, CTriggerList* list);
