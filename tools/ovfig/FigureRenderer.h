#pragma once
// Draws a posed figure with its props in one style (dark outline, flat
// colours with a shaded and a lit rim) and turns the drawing into an 8-bit
// picture on the content palette, the background in the key colour.
#include "FigureSource.h"

#include <QImage>
#include <QList>
#include <QRgb>

#include <cstdint>
#include <string>
#include <vector>

namespace Figure {

/// The colours of the drawing style, all taken from the content palette.
namespace Style {
inline constexpr QRgb kOutline = 0xFF000033;
inline constexpr QRgb kSkin = 0xFFFFCC99, kSkinShade = 0xFFCC9966, kSkinLight = 0xFFFFFFCC;
inline constexpr QRgb kShirt = 0xFF3399CC, kShirtShade = 0xFF336699, kShirtLight = 0xFF66CCFF;
inline constexpr QRgb kTrousers = 0xFF666699, kTrousersShade = 0xFF333366, kTrousersLight = 0xFF9999CC;
inline constexpr QRgb kShoe = 0xFF333333, kShoeShade = 0xFF000000;
inline constexpr QRgb kHair = 0xFF663300, kHairShade = 0xFF330000, kHairLight = 0xFF996633;
inline constexpr QRgb kEye = 0xFF000033, kMouth = 0xFF993333, kCheek = 0xFFFF9999;
inline constexpr QRgb kWood = 0xFFCC9966, kWoodShade = 0xFF996633, kWoodLight = 0xFFFFCC99;
inline constexpr QRgb kChair = 0xFF666666, kChairShade = 0xFF333333, kChairLight = 0xFF999999;
inline constexpr QRgb kFloorShadow = 0xFFDDDDDD;
inline constexpr QRgb kGlass = 0xFF66CCFF;
} // namespace Style

class FigureRenderer {
public:
    /// `palette` is the content palette (bitmap 253's colour table).
    FigureRenderer(const FigureDefinition& definition, const QList<QRgb>& palette);

    /// Empty when the renderer can work; else why not (the key colour is
    /// not in the palette).
    const std::string& Problem() const { return m_problem; }

    /// The figure in `pose` with the props, on a transparent background.
    QImage Draw(const Pose& pose) const;

    /// One palette index per pixel, rows top down: the key colour's index
    /// where `drawing` is (almost) transparent, elsewhere the palette
    /// colour nearest to the drawing over the matte colour. The key index
    /// is never used for the figure.
    std::vector<uint8_t> Quantize(const QImage& drawing) const;

    int KeyIndex() const { return m_keyIndex; }
    /// Pixel to model: model units per pixel is 1 / Scale().
    double Scale() const;

private:
    const FigureDefinition& m_spec;
    QList<QRgb> m_palette;
    int m_keyIndex = -1;
    std::string m_problem;
};

/// A packed DIB: 40-byte header, the palette's colour table, 8-bit rows
/// bottom-up, each padded to four bytes. `indices` are width x height
/// palette indices, rows top down.
std::vector<uint8_t> PackedDib8(int width, int height, const QList<QRgb>& palette,
                                const std::vector<uint8_t>& indices);

} // namespace Figure
