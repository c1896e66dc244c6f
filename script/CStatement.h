#pragma once
#include "CContentResource.h"
#include "CXRGN.h"
#include "DrawTypes.h"
#include "formats/ScriptFormat.h"

#include <cstdint>
#include <memory>

class CDrawX;
class CStatementList;

/// Base of the twelve statement kinds. A statement is built from its decoded
/// record, bound to the drawing context once its script has loaded, and
/// executed by its script's passes.
class CStatement {
public:
    virtual ~CStatement() = default;
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    /// Stores the drawing context; kinds with resources load them here.
    virtual bool Bind(CDrawX* draw);
    /// Runs the statement once; true = the pass goes on with the next one.
    virtual bool Execute() = 0;
    /// Whether executing it counts as drawing for the pass result.
    virtual bool Draws() const = 0;

protected:
    CStatement(CStatementList* list, bool goOn) : m_continue(goOn), m_list(list) {}
    /// Moves the program counter to the next statement and returns the
    /// continue flag.
    bool Next();

    CDrawX* m_draw = nullptr;
    bool m_continue = false;
    CStatementList* m_list = nullptr;
};

/// Reads the named fields of a decoded record through the format table.
class RecordFields {
public:
    explicit RecordFields(const Formats::Script::RecordView& record) : m_record(record) {}
    int64_t Scalar(std::string_view name) const;
    RECT Rect(std::string_view name) const;

private:
    const Formats::Script::RecordView& m_record;
};

class CStatementNOP : public CStatement {
public:
    explicit CStatementNOP(CStatementList* list) : CStatement(list, false) {}
    bool Execute() override { return Next(); }
    bool Draws() const override { return false; }
};

class CStatementEnd : public CStatement {
public:
    explicit CStatementEnd(CStatementList* list) : CStatement(list, false) {}
    bool Execute() override;
    bool Draws() const override { return false; }
};

class CStatementDelay : public CStatement {
public:
    CStatementDelay(CStatementList* list, uint16_t delayMs) : CStatement(list, false), m_delay(delayMs) {}
    bool Execute() override;
    bool Draws() const override { return false; }

private:
    uint16_t m_delay;
};

class CStatementNew : public CStatement {
public:
    CStatementNew(CStatementList* list, uint16_t scriptId) : CStatement(list, false), m_scriptId(scriptId) {}
    bool Execute() override;
    bool Draws() const override { return false; }

private:
    uint16_t m_scriptId;
};

/// Repeats the script from its first statement; the remaining count belongs
/// to the statement and is used up (a count of 0 in the record repeats
/// forever).
class CStatementCycle : public CStatement {
public:
    CStatementCycle(CStatementList* list, uint16_t count)
        : CStatement(list, false), m_remaining(count), m_forever(count == 0)
    {
    }
    bool Execute() override;
    bool Draws() const override { return false; }

private:
    uint16_t m_remaining;
    bool m_forever;
};

/// Has the background triggers redraw inside its rectangle.
class CStatementUpdate : public CStatement {
public:
    CStatementUpdate(CStatementList* list, const RECT& rect);
    bool Execute() override;
    bool Draws() const override { return true; }

private:
    CXRGN m_region;
};

class CStatementDrawPict : public CStatement {
public:
    CStatementDrawPict(CStatementList* list, uint16_t pictureId, const RECT& rect, int16_t selector)
        : CStatement(list, true), m_pictureId(pictureId), m_rect(rect), m_selector(selector)
    {
    }
    /// False when the picture is not in the content library.
    bool Bind(CDrawX* draw) override;
    bool Execute() override;
    bool Draws() const override { return true; }

private:
    uint16_t m_pictureId;
    RECT m_rect;
    int16_t m_selector;
    CContentResource m_picture;
};

class CStatementDrawRect : public CStatement {
public:
    CStatementDrawRect(CStatementList* list, const RECT& rect, COLORREF colour, uint16_t width)
        : CStatement(list, true), m_rect(rect), m_colour(colour), m_width(width)
    {
    }
    bool Execute() override;
    bool Draws() const override { return true; }

private:
    RECT m_rect;
    COLORREF m_colour;
    uint16_t m_width;
};

class CStatementDrawLine : public CStatement {
public:
    CStatementDrawLine(CStatementList* list, const RECT& line, COLORREF colour, uint16_t width)
        : CStatement(list, true), m_rect(line), m_colour(colour), m_width(width)
    {
    }
    bool Execute() override;
    bool Draws() const override { return true; }

private:
    RECT m_rect;
    COLORREF m_colour;
    uint16_t m_width;
};

class CStatementTile : public CStatement {
public:
    CStatementTile(CStatementList* list, uint16_t pictureId, const RECT& rect)
        : CStatement(list, true), m_pictureId(pictureId), m_rect(rect)
    {
    }
    /// False when the picture is not in the content library.
    bool Bind(CDrawX* draw) override;
    bool Execute() override;
    bool Draws() const override { return true; }

private:
    uint16_t m_pictureId;
    RECT m_rect;
    CContentResource m_picture;
};

class CStatementRectFill : public CStatement {
public:
    CStatementRectFill(CStatementList* list, const RECT& rect, COLORREF colour)
        : CStatement(list, true), m_rect(rect), m_colour(colour)
    {
    }
    bool Execute() override;
    bool Draws() const override { return true; }

private:
    RECT m_rect;
    COLORREF m_colour;
};

/// Builds the statement of the record's opcode (null for an unknown one).
std::unique_ptr<CStatement> CreateStatement(const Formats::Script::RecordView& record, CStatementList* list);
