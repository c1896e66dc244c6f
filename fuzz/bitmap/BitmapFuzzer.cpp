// Feeds arbitrary bytes to the picture reader as bitmap resources and draws
// them through a drawing context; a well-formed picture stored next to them
// must still read and draw exactly.
#include "CDrawPC.h"
#include "CImageDC.h"
#include "Picture.h"

#include "ContentModule.h"

#include <cstdlib>
#include <vector>

namespace {

// 2 x 1, 24 bits: red, then green (stored blue, green, red), padded to 8.
const std::vector<uint8_t> kGoodPicture = {
    40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};

void Require(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);

    const QImage decoded = DecodePicture(bytes);
    if (!decoded.isNull()) {
        Require(decoded.width() > 0 && decoded.width() <= kMaxPictureSide);
        Require(decoded.height() > 0 && decoded.height() <= kMaxPictureSide);
        for (int selector = -5; selector <= -1; ++selector)
            (void)GetKeyColor(decoded, int16_t(selector));
        Require(CreateMaskBitmap(decoded, -2).size() == decoded.size());
    }
    int count = -1;
    const QList<QRgb> palette = CreateDIBPalette(bytes, &count);
    Require(count >= 0 && palette.size() == count);

    ScopedContentLibrary library(ContentModule::FromResources({
        {ResName(kRtBitmap), ResName(253), bytes},
        {ResName(kRtBitmap), ResName(1), bytes},
        {ResName(kRtBitmap), ResName(2), kGoodPicture},
    }));
    CImageDC target(QSize(48, 32));
    CDrawPC draw(&target);
    Require(draw.Create());
    const RECT places[] = {{0, 0, 0, 0}, {-3, -2, 0, 0}, {40, 30, 0, 0}, {5, 5, 47, 31}};
    for (const RECT& at : places) {
        for (int selector = -5; selector <= -1; ++selector)
            draw.DrawPicture(&at, 1, int16_t(selector));
    }
    const RECT tile{-7, -5, 48, 32};
    draw.TilePicture(&tile, 1);
    draw.Flush();

    // The first bytes also serve as coordinates and a pen width, so strokes,
    // fills and tiles meet every corner of the 32-bit plane.
    if (size >= 18) {
        int32_t v[4];
        for (int i = 0; i < 4; ++i)
            v[i] = int32_t(uint32_t(data[4 * i]) | uint32_t(data[4 * i + 1]) << 8
                           | uint32_t(data[4 * i + 2]) << 16 | uint32_t(data[4 * i + 3]) << 24);
        const RECT r{v[0], v[1], v[2], v[3]};
        const auto width = uint16_t(data[16] | data[17] << 8);
        const COLORREF colour = 0x00123456;
        draw.DrawLine(&r, &colour, width);
        draw.DrawLine(&r, &colour, 0);
        draw.FrameRect(&r, &colour, width);
        draw.FillRect(&r, &colour);
        draw.TilePicture(&r, 2);
        draw.DrawPicture(&r, 2, -2);
        const QRegion clip(r.ToQRect());
        draw.SetClip(&clip);
        draw.DrawLine(&r, &colour, 1);
        draw.SetClip(nullptr);
        draw.Flush();
    }

    const RECT good{20, 10, 0, 0};
    Require(draw.DrawPicture(&good, 2, -1));
    const QImage* buffer = draw.GetOffscreenDC();
    Require(buffer && buffer->pixel(20, 10) == qRgb(255, 0, 0) && buffer->pixel(21, 10) == qRgb(0, 255, 0));
    return 0;
}
