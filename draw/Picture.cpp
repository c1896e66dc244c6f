#include "Picture.h"

#include "ByteReader.h"
#include "ContentModule.h"
#include "ResName.h"

#include <QLoggingCategory>

#include <cstring>

Q_LOGGING_CATEGORY(lcPicture, "ovantis.draw.picture", QtWarningMsg)

namespace {

constexpr uint32_t kInfoHeaderSize = 40;
constexpr size_t kColourTableOffset = 40;
constexpr uint32_t kBiRgb = 0;

struct DibHeader {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
};

bool ReadHeader(const ByteReader& in, DibHeader* h)
{
    uint16_t planes = 0;
    return in.U32(0, &h->headerSize) && in.I32(4, &h->width) && in.I32(8, &h->height)
        && in.U16(12, &planes) && in.U16(14, &h->bitCount) && in.U32(16, &h->compression)
        && in.U32(32, &h->coloursUsed);
}

// Colours the header announces: 1 << bits up to 8 bits, replaced by a
// non-zero biClrUsed; then cut to the quadruples present from `tableOffset`.
uint32_t ColourCount(const DibHeader& h, size_t tableOffset, size_t size)
{
    uint64_t count = h.bitCount <= 8 ? (uint64_t{1} << h.bitCount) : 0;
    if (h.coloursUsed != 0)
        count = h.coloursUsed;
    const uint64_t present = tableOffset <= size ? (size - tableOffset) / 4 : 0;
    return static_cast<uint32_t>(std::min(count, present));
}

QRgb ReadQuad(const uint8_t* p)
{
    return qRgb(p[2], p[1], p[0]); // blue, green, red, reserved
}

} // namespace

QList<QRgb> CreateDIBPalette(std::span<const uint8_t> dib, int* colourCount)
{
    QList<QRgb> palette;
    ByteReader in(dib);
    DibHeader h;
    if (!ReadHeader(in, &h)) {
        if (colourCount)
            *colourCount = 0;
        return palette;
    }
    const uint32_t count = ColourCount(h, kColourTableOffset, dib.size());
    palette.reserve(static_cast<qsizetype>(count));
    for (uint32_t i = 0; i < count; ++i)
        palette.append(ReadQuad(dib.data() + kColourTableOffset + 4 * size_t{i}));
    if (colourCount)
        *colourCount = static_cast<int>(count);
    return palette;
}

QImage DecodePicture(std::span<const uint8_t> dib, int* bitCount)
{
    ByteReader in(dib);
    DibHeader h;
    if (!ReadHeader(in, &h)) {
        qCDebug(lcPicture) << "picture: header runs past" << dib.size() << "bytes";
        return {};
    }
    // Other header kinds lay their fields out differently; compressed rows
    // are not produced by our content tools.
    if (h.headerSize < kInfoHeaderSize || h.headerSize > dib.size() || h.compression != kBiRgb) {
        qCDebug(lcPicture) << "picture: unsupported header size" << h.headerSize << "or compression"
                           << h.compression;
        return {};
    }
    if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24) {
        qCDebug(lcPicture) << "picture: unsupported bit count" << h.bitCount;
        return {};
    }
    const int64_t absHeight = h.height < 0 ? -int64_t{h.height} : int64_t{h.height};
    if (h.width <= 0 || h.width > kMaxPictureSide || absHeight == 0 || absHeight > kMaxPictureSide) {
        qCDebug(lcPicture) << "picture: size" << h.width << "x" << h.height << "out of range";
        return {};
    }
    const int width = h.width;
    const int height = static_cast<int>(absHeight);
    const bool bottomUp = h.height > 0;

    // Pixel colours come from the table that follows the header itself.
    const size_t tableOffset = h.headerSize;
    const uint32_t colours = ColourCount(h, tableOffset, dib.size());
    QRgb table[256];
    const uint32_t usable = std::min<uint32_t>(colours, 256);
    for (uint32_t i = 0; i < 256; ++i)
        table[i] = i < usable ? ReadQuad(dib.data() + tableOffset + 4 * size_t{i}) : qRgb(0, 0, 0);

    const size_t bitsOffset = tableOffset + 4 * size_t{colours};
    const size_t stride = ((size_t(width) * h.bitCount + 31) / 32) * 4;
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
