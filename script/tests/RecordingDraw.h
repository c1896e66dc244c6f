#pragma once
// A drawing context that records what the engine asks of it, for tests of
// the engine's own rules (passes, timing, triggers, repaint regions). It
// keeps real clip, owner and dirty regions (CXRGN) so region rules show.
#include "CDrawX.h"
#include "CXRGN.h"

#include <QImage>
#include <QRegion>
#include <string>
#include <vector>

class RecordingDraw : public CDrawX {
public:
    struct Call {
        std::string op;   // "pict", "frame", "line", "text", "tile", "fill", "clip"
        RECT rect;        // picture position, rectangle or line; text pen
        uint16_t id = 0;  // picture id
        std::string text; // text drawn
        QRegion clip;     // the clip selected while drawing (empty: none)
    };

    /// Pictures are taken to be kPictSize square.
    static constexpr int kPictSize = 10;
    /// Every character of text advances the pen this far.
    static constexpr int kCharWidth = 7;

    RecordingDraw() : CDrawX(nullptr)
    {
        m_clipRegion = std::make_unique<CXRGN>();
        m_dirtyRegion = std::make_unique<CXRGN>();
        m_clipRegion->Create();
        m_dirtyRegion->Create();
        RECT all{0, 0, 640, 480};
        m_clipRegion->AddRect(&all);
    }

    std::vector<Call> calls;
    uint32_t ticks = 1000;
    uint16_t mouseFlags = 0;
    int mouseX = 0;
    int mouseY = 0;

    /// Picture ids drawn since the last Take (and forget them).
    std::vector<int> TakePictures()
    {
        std::vector<int> ids;
        for (const Call& c : calls) {
            if (c.op == "pict")
                ids.push_back(c.id);
        }
        calls.clear();
        return ids;
    }
    /// What was drawn since the last Take, as "p<id>" for pictures and
    /// "t<id>" for tiles ("c" appended when clipped), blank-separated.
    std::string TakeTrace()
    {
        std::string out;
        for (const Call& c : calls) {
            if (c.op != "pict" && c.op != "tile")
                continue;
            if (!out.empty())
                out += ' ';
            out += (c.op == "pict" ? "p" : "t") + std::to_string(c.id) + (c.clip.isEmpty() ? "" : "c");
        }
        calls.clear();
        return out;
    }

    bool Create() override { return true; }
    void SetDC(CTargetDC* dc) override { m_targetDC = dc; }
    void ClearDirty() override { m_dirtyRegion->SetEmpty(); }
    void AddDirtyRect(const RECT* rect) override
    {
        if (m_ownerRegion)
            m_ownerRegion->AddRect(rect);
        m_dirtyRegion->AddRect(rect);
    }
    bool IsDirty(const RECT* rect) override { return m_dirtyRegion->RectIn(rect); }
    bool IsDirtyEmpty() override { return m_dirtyRegion->IsEmpty(); }
    void ClearClip() override { m_clipRegion->SetEmpty(); }
    void AddClipRgn(const QRegion* region) override { m_clipRegion->AddRgn(region); }
    void AddClipRect(const RECT* rect) override { m_clipRegion->AddRect(rect); }
    bool RectVisible(const RECT* rect) override { return m_clipRegion->RectIn(rect); }
    bool PtVisible(const POINT* point) override { return m_clipRegion->PtIn(point); }
    bool IsClipEmpty() override { return m_clipRegion->IsEmpty(); }
    QImage* GetOffscreenDC() override { return nullptr; }
    RECT* GetBounds(RECT* bounds) override
    {
        *bounds = RECT{0, 0, 640, 480};
        return bounds;
    }
    void SetOwnerRegion(CXRGN* region) override { m_ownerRegion = region; }
    uint32_t GetTicks() override { return ticks; }
    void SetMouse(uint16_t flags, int x, int y) override
    {
        mouseFlags = flags;
        mouseX = x;
        mouseY = y;
    }
    POINT* GetMousePos(POINT* point) override
    {
        *point = POINT{mouseX, mouseY};
        return point;
    }
    bool IsButtonDown() override { return (mouseFlags & 1) != 0; }
    bool IsButtonUp() override { return (mouseFlags & 1) == 0; }
    void ShowRegion(CXRGN*) override {}
    void ShowRect(const RECT*) override {}
    void Flush() override { ClearDirty(); }
    bool DrawPicture(const RECT* rect, uint16_t pictureId, int16_t) override
    {
        RECT p{rect->left, rect->top, rect->left + kPictSize + 1, rect->top + kPictSize + 1};
        if (!RectVisible(&p))
            return false;
        Record("pict", *rect, pictureId);
        AddDirtyRect(&p);
        return true;
    }
    void FrameRect(const RECT* rect, const COLORREF*, uint16_t) override
    {
        Record("frame", *rect, 0);
        AddDirtyRect(rect);
    }
    void DrawLine(const RECT* line, const COLORREF*, uint16_t) override { Record("line", *line, 0); }
    void DrawText(POINT* pen, const char* text, const uint8_t*, uint16_t length) override
    {
        Call c;
        c.op = "text";
        c.rect = RECT{pen->x, pen->y, 0, 0};
        c.text.assign(text, length);
        calls.push_back(c);
        pen->x += kCharWidth * length;
    }
    void TilePicture(const RECT* rect, uint16_t pictureId) override { Record("tile", *rect, pictureId); }
    void FillRect(const RECT* rect, const COLORREF*) override
    {
        Record("fill", *rect, 0);
        AddDirtyRect(rect);
    }
    void SetClip(const QRegion* region) override
    {
        ClearClip();
        if (region) {
            AddClipRgn(region);
            m_selectedClip = *region;
        } else {
            RECT all{0, 0, 640, 480};
            AddClipRect(&all);
            m_selectedClip = QRegion();
        }
    }

private:
    void Record(const char* op, const RECT& rect, uint16_t id)
    {
        Call c;
        c.op = op;
        c.rect = rect;
        c.id = id;
        c.clip = m_selectedClip;
        calls.push_back(c);
    }

    QRegion m_selectedClip;
};
