#pragma once
#include "formats/DibFormat.h"

#include <QImage>
#include <QList>
#include <QRgb>

#include <cstdint>
#include <optional>
#include <span>

class ContentModule;
class ResName;

/// Largest picture width and height we decode.
inline constexpr int kMaxPictureSide = Formats::Dib::kMaxSide;

/// Decodes a packed DIB (BITMAPINFOHEADER, colour table, rows) of 1, 4, 8 or
/// 24 bits per pixel, bottom-up or top-down, uncompressed, into an RGB32
/// image. Returns a null image when the bytes are no such picture (see
/// Formats::Dib::WhyUndrawable: the content compiler refuses the same), when
/// a side is 0 or larger than 4096, or when the header runs past the bytes. Rows that run past the end decode as colour index 0 (or
/// black for 24 bits); pixel indices past the colour table are black.
/// `bitCount` receives the picture's bits per pixel.
QImage DecodePicture(std::span<const uint8_t> dib, int* bitCount = nullptr);

/// The palette of a packed DIB: one entry per colour of its table read at
/// offset 40, the count being 1 << bits for 8 bits or less, replaced by a
/// non-zero biClrUsed, and cut to the entries the bytes hold. Empty (no
/// palette) for a count of 0 or bytes too short for a header. `colourCount`
/// receives the number of entries.
QList<QRgb> CreateDIBPalette(std::span<const uint8_t> dib, int* colourCount = nullptr);

/// Finds bitmap resource `name` in `module` and decodes it. A null image
/// when there is no module, no such resource or no picture in it; *palette
/// is then left as it was, otherwise it receives the picture's palette.
/// `bitCount` receives the bits per pixel of the stored picture.
QImage LoadPicture(const ContentModule* module, const ResName& name, QList<QRgb>* palette = nullptr,
                   int* bitCount = nullptr);

/// The key colour a transparency selector names: -2 the top-left pixel, -3
/// the top-right, -4 the bottom-right, -5 the bottom-left. No colour for any
/// other selector or a null picture.
std::optional<QRgb> GetKeyColor(const QImage& picture, int16_t selector);

/// A one-bit mask of `picture` (Format_Mono): index 0 where the picture has
/// the selector's key colour, 1 elsewhere, so drawing through it leaves the
/// destination unchanged under key-coloured pixels. All 1 when the selector
/// names no key colour.
QImage CreateMaskBitmap(const QImage& picture, int16_t selector);
