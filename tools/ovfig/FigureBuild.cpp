#include "FigureBuild.h"

#include "MediaFiles.h"
#include "Picture.h"
#include "formats/FieldText.h"

#include <cstdio>
#include <map>

namespace Figure {

namespace {

uint32_t ColourRef(uint32_t rgb)
{
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

} // namespace

bool BuildFigure(const FigureDefinition& definition, const QList<QRgb>& palette, BuiltFigure* out,
                 std::vector<std::string>* errors)
{
    *out = BuiltFigure{};
    const size_t before = errors->size();
    FigureRenderer renderer(definition, palette);
    if (!renderer.Problem().empty()) {
        errors->push_back(definition.name + ": " + renderer.Problem());
        return false;
    }
    std::vector<TimedFrame> frames;
    if (!PlanFrames(definition, &frames, errors))
        return false;

    std::map<std::vector<uint8_t>, uint16_t> seen;
    for (const TimedFrame& frame : frames) {
        std::vector<uint8_t> indices = renderer.Quantize(renderer.Draw(frame.pose));
        // The script keys out the top-left pixel's colour.
        if (indices[0] != renderer.KeyIndex()) {
            errors->push_back(frame.where.ToString() +
                              ": the figure or a prop covers the frame's top-left pixel, which must show the key colour");
            continue;
        }
        auto found = seen.find(indices);
        if (found == seen.end()) {
            const size_t number = out->pictures.size();
            if (definition.firstPicture + number > 0xFFFF) {
                errors->push_back(frame.where.ToString() + ": picture ids run past 65535");
                break;
            }
            BuiltPicture picture;
            picture.id = uint16_t(definition.firstPicture + number);
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "-%02zu.bmp", number);
            picture.fileName = definition.name + suffix;
            const std::vector<uint8_t> dib = PackedDib8(definition.width, definition.height, palette, indices);
            std::string error;
            auto info = InspectPackedDib(dib, &error);
            if (!info) {
                errors->push_back(frame.where.ToString() + ": " + error);
                break;
            }
            picture.bmp = BmpFileFromPackedDib(dib, *info);
            picture.preview = DecodePicture(dib);
            found = seen.emplace(std::move(indices), picture.id).first;
            out->pictures.push_back(std::move(picture));
        }
        if (!out->shown.empty() && out->shown.back().first == found->second)
            out->shown.back().second += frame.ticks;
        else
            out->shown.emplace_back(found->second, frame.ticks);
    }
    if (errors->size() != before)
        return false;

    // The whole loop lasts exactly the timeline. A pass runs on through the
    // drawing statements and ends at the first NOP, so a frame of n ticks is
    // its drawing and n NOPs; the last one's final tick is the Cycle's pass.
    std::string text = "# Made by ovfig from " + definition.name + ".fig: do not edit, edit the figure source.\n";
    for (const BuiltPicture& picture : out->pictures)
        text += "bitmap " + std::to_string(picture.id) + " file=" + picture.fileName + "\n";
    const Formats::Rect32 at{definition.atX, definition.atY, definition.atX + definition.width, definition.atY + definition.height};
    const std::string rect = Formats::RectText(at);
    // Filling and drawing in one pass: the figure never leaves the page.
    const std::string draw = "  RectFill rect=" + rect + " colour=" + Formats::ColourText(ColourRef(definition.clear)) +
                             "\n  DrawPict picture=";
    const std::string drawEnd = " rect=" + rect + " selector=-2\n";
    if (!definition.again) {
        text += "\nscript " + std::to_string(definition.script) + "\n";
        for (size_t i = 0; i < out->shown.size(); ++i) {
            const auto& [id, ticks] = out->shown[i];
            text += draw + std::to_string(id) + drawEnd;
            const int nops = ticks - (i + 1 == out->shown.size() ? 1 : 0);
            for (int n = 0; n < nops; ++n)
                text += "  NOP\n";
        }
        text += "  Cycle count=" + std::to_string(definition.repeat) + "\nend\n";
    } else {
        // With a replay both scripts draw their frame on every tick: the
        // replay's trigger comes later in the topic, so it stays in front of
        // the loop, and in the tick its area is given back to the page the
        // loop draws over it again.
        auto everyTick = [&](uint16_t script, const std::string& last) {
            text += "\nscript " + std::to_string(script) + "\n";
            for (size_t i = 0; i < out->shown.size(); ++i) {
                const auto& [id, ticks] = out->shown[i];
                for (int n = 0; n < ticks; ++n) {
                    text += draw + std::to_string(id) + drawEnd;
                    if (i + 1 < out->shown.size() || n + 1 < ticks)
                        text += "  NOP\n";
                }
            }
            text += last;
        };
        everyTick(definition.script, "  Cycle count=" + std::to_string(definition.repeat) + "\nend\n");
        everyTick(definition.again, "  End\nend\n");
    }
    out->sources = text;
    return true;
}

} // namespace Figure
