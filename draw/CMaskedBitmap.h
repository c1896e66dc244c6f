#pragma once
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRgb>

class ContentModule;
class QPainter;
class ResName;

/// A picture drawn with a transparent background: every pixel of the
/// picture's top-left colour shows the destination through. Loaded once;
/// a second Load is refused and keeps the first picture.
class CMaskedBitmap {
public:
    CMaskedBitmap() = default;
    virtual ~CMaskedBitmap() = default;
    CMaskedBitmap(const CMaskedBitmap&) = delete;
    CMaskedBitmap& operator=(const CMaskedBitmap&) = delete;

    /// Bitmap resource `name` of a content module. True only when the
    /// picture has a colour table; a picture without one is kept (and
    /// drawn) but reported as false.
    virtual bool Load(const ContentModule* module, const ResName& name);
    /// One of the program's own pictures (AppResources::Picture); true when
    /// the picture is not null.
    virtual bool Load(const QImage& picture);

    bool IsLoaded() const { return !m_bitmap.isNull(); }
    QSize Size() const { return m_bitmap.size(); }

    /// Draws the picture with its top-left at `topLeft`. The destination is
    /// composed once, with no partly drawn state. False (and nothing drawn)
    /// when empty.
    bool Draw(QPainter& destination, QPoint topLeft) const;

private:
    QImage m_bitmap;          // RGB32; null until loaded
    QList<QRgb> m_palette;    // the picture's colour table, empty for a PNG
    QImage m_keyed;           // ARGB32 with the key colour cleared, built once
};
