#include "CMaskedBitmap.h"

#include "Picture.h"

#include <QPainter>

namespace {

constexpr int16_t kTopLeftKey = -2;

// The picture with alpha 0 wherever the mask says "key colour", so that one
// composition puts picture and background together.
QImage KeyedPicture(const QImage& picture)
{
    QImage keyed = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage mask = CreateMaskBitmap(picture, kTopLeftKey);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if (mask.pixelIndex(x, y) == 0)
                row[x] = qRgba(0, 0, 0, 0);
    }
    return keyed;
}

} // namespace

bool CMaskedBitmap::Load(const ContentModule* module, const ResName& name)
{
    if (IsLoaded())
        return false;
    QList<QRgb> palette;
    QImage picture = LoadPicture(module, name, &palette);
    if (picture.isNull())
        return false;
    m_bitmap = picture.convertToFormat(QImage::Format_RGB32);
    m_palette = palette;
    m_keyed = KeyedPicture(m_bitmap);
    return !m_palette.isEmpty();
}

bool CMaskedBitmap::Load(const QImage& picture)
{
    if (IsLoaded() || picture.isNull())
        return false;
    m_bitmap = picture.convertToFormat(QImage::Format_RGB32);
    m_keyed = KeyedPicture(m_bitmap);
    return true;
}

bool CMaskedBitmap::Draw(QPainter& destination, QPoint topLeft) const
{
    if (!IsLoaded())
        return false;
    destination.save();
    destination.setCompositionMode(QPainter::CompositionMode_SourceOver);
    destination.drawImage(topLeft, m_keyed);
    destination.restore();
    return true;
}
