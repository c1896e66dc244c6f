#pragma once
// A figure source to content: the frames rendered and numbered, each
// distinct picture once, and the script that shows them in time.
#include "FigureRenderer.h"

#include <string>
#include <vector>

namespace Figure {

struct BuiltPicture {
    uint16_t id = 0;
    std::string fileName;      ///< "NAME-NN.bmp"
    std::vector<uint8_t> bmp;  ///< the whole BMP file
    QImage preview;            ///< the picture as the engine decodes it
};

struct BuiltFigure {
    std::vector<BuiltPicture> pictures;
    /// Picture id and ticks of each shown frame, in order (frames in a row
    /// that look the same are one entry).
    std::vector<std::pair<uint16_t, int>> shown;
    std::string sources; ///< the .ovs text: bitmap lines and the script
};

/// Renders every frame of `definition` and lays out the script. False, with
/// "file:line: message" errors, when a frame cannot be made.
bool BuildFigure(const FigureDefinition& definition, const QList<QRgb>& palette, BuiltFigure* out,
                 std::vector<std::string>* errors);

} // namespace Figure
