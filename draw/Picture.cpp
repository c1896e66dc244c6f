#include "Picture.h"

#include "ContentModule.h"
#include "ResName.h"
#include "formats/DibFormat.h"

#include <QLoggingCategory>

#include <cstring>

Q_LOGGING_CATEGORY(lcPicture, "ovantis.draw.picture", QtWarningMsg)

namespace {

using Formats::Dib::Header;

// The palette of CreateDIBPalette is read at this offset whatever the
// header's size.
constexpr size_t kColourTableOffset = 40;

// Colours the header announces, cut to the quadruples present from
// `tableOffset`.
uint32_t ColourCount(const Header& h, size_t tableOffset, size_t size)
{
    const uint64_t present = tableOffset <= size ? (size - tableOffset) / 4 : 0;
    return static_cast<uint32_t>(std::min(h.AnnouncedColours(), present));
}

QRgb ReadQuad(const uint8_t* p)
{
    return qRgb(p[2], p[1], p[0]); // blue, green, red, reserved
}

} // namespace

QList<QRgb> CreateDIBPalette(std::span<const uint8_t> dib, int* colourCount)
{
    QList<QRgb> palette;
    const std::optional<Header> h = Formats::Dib::ReadHeader(dib);
    if (!h) {
        if (colourCount)
            *colourCount = 0;
        return palette;
    }
    const uint32_t count = ColourCount(*h, kColourTableOffset, dib.size());
    palette.reserve(static_cast<qsizetype>(count));
    for (uint32_t i = 0; i < count; ++i)
        palette.append(ReadQuad(dib.data() + kColourTableOffset + 4 * size_t{i}));
    if (colourCount)
        *colourCount = static_cast<int>(count);
    return palette;
}

QImage DecodePicture(std::span<const uint8_t> dib, int* bitCount)
{
    const std::optional<Header> header = Formats::Dib::ReadHeader(dib);
    if (!header) {
        qCDebug(lcPicture) << "picture: header runs past" << dib.size() << "bytes";
        return {};
    }
    // The same rule the content compiler checks pictures with.
    if (const std::string why = Formats::Dib::WhyUndrawable(*header, dib.size()); !why.empty()) {
        qCDebug(lcPicture) << "picture:" << why.c_str();
        return {};
    }
    const Header& h = *header;
    const int width = h.width;
    const int height = static_cast<int>(h.Rows());
    const bool bottomUp = h.height > 0;

    // Pixel colours come from the table that follows the header itself.
    const size_t tableOffset = h.headerSize;
    const uint32_t colours = ColourCount(h, tableOffset, dib.size());
    QRgb table[256];
    const uint32_t usable = std::min<uint32_t>(colours, 256);
    for (uint32_t i = 0; i < 256; ++i)
        table[i] = i < usable ? ReadQuad(dib.data() + tableOffset + 4 * size_t{i}) : qRgb(0, 0, 0);

    const size_t bitsOffset = tableOffset + 4 * size_t{colours};
    const size_t stride = h.Stride();
    const std::span<const uint8_t> bits =
        bitsOffset <= dib.size() ? dib.subspan(bitsOffset) : std::span<const uint8_t>();

    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    std::vector<uint8_t> padded(stride, 0);
    for (int row = 0; row < height; ++row) {
        const size_t rowOffset = size_t(row) * stride;
        const uint8_t* src;
        if (rowOffset <= bits.size() && stride <= bits.size() - rowOffset) {
            src = bits.data() + rowOffset;
        } else {
            // A row cut by the end of the resource: what is there, then zeros.
            std::fill(padded.begin(), padded.end(), 0);
            if (rowOffset < bits.size())
                std::memcpy(padded.data(), bits.data() + rowOffset, bits.size() - rowOffset);
            src = padded.data();
        }
        const int y = bottomUp ? height - 1 - row : row;
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        switch (h.bitCount) {
        case 1:
            for (int x = 0; x < width; ++x)
                dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                dst[x] = table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
            break;
        case 8:
            for (int x = 0; x < width; ++x)
                dst[x] = table[src[x]];
            break;
        default:
            for (int x = 0; x < width; ++x)
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            break;
        }
    }
    if (bitCount)
        *bitCount = h.bitCount;
    return image;
}

QImage LoadPicture(const ContentModule* module, const ResName& name, QList<QRgb>* palette, int* bitCount)
{
    if (!module)
        return {};
    const PeResources::Entry* entry = module->Find(ResName(kRtBitmap), name);
    if (!entry)
        return {};
    QImage image = DecodePicture(entry->data, bitCount);
    if (!image.isNull() && palette)
        *palette = CreateDIBPalette(entry->data);
    return image;
}

std::optional<QRgb> GetKeyColor(const QImage& picture, int16_t selector)
{
    if (picture.isNull())
        return std::nullopt;
    const int right = picture.width() - 1;
    const int bottom = picture.height() - 1;
    QPoint corner;
    switch (selector) {
    case -2: corner = QPoint(0, 0); break;
    case -3: corner = QPoint(right, 0); break;
    case -4: corner = QPoint(right, bottom); break;
    case -5: corner = QPoint(0, bottom); break;
    default: return std::nullopt;
    }
    return picture.pixel(corner) | 0xFF000000u;
}

QImage CreateMaskBitmap(const QImage& picture, int16_t selector)
{
    if (picture.isNull())
        return {};
    QImage mask(picture.size(), QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(1);
    const std::optional<QRgb> key = GetKeyColor(picture, selector);
    if (!key)
        return mask;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* bits = mask.scanLine(y); // most significant bit first
        for (int x = 0; x < rgb.width(); ++x) {
            if ((line[x] | 0xFF000000u) == *key)
                bits[x >> 3] &= static_cast<uchar>(~(0x80 >> (x & 7)));
        }
    }
    return mask;
}
