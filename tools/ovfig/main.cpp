// ovfig: makes animation frames of a jointed figure from key poses.
//
//   ovfig --palette PALETTE.bmp -o OUT_DIR [--png-dir DIR] FIGURE.fig...
//
// For each FIGURE.fig writes OUT_DIR/FIGURE-NN.bmp (8-bit pictures on the
// palette) and OUT_DIR/FIGURE.ovs (their bitmap lines and the script that
// plays them), for ovrc to build into the content module.
#include "FigureBuild.h"
#include "MediaFiles.h"
#include "ModuleBuilder.h"
#include "Picture.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QCoreApplication>

#include <cstdio>

namespace {

int Fail(const std::string& message)
{
    std::fprintf(stderr, "ovfig: %s\n", message.c_str());
    return 1;
}

bool ReadFile(const QString& path, QByteArray* bytes, std::string* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path.toStdString() + ": cannot read: " + file.errorString().toStdString();
        return false;
    }
    *bytes = file.readAll();
    return true;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

} // namespace

int main(int argc, char** argv)
{
    // Drawing into images needs no display.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("ovfig");
    QCommandLineParser parser;
    parser.setApplicationDescription("Makes animation frames of a jointed figure from key poses.");
    parser.addHelpOption();
    parser.addOption({"palette", "The content palette (bitmap 253) as a BMP file.", "FILE"});
    parser.addOption({{"o", "out"}, "Directory for the pictures and the generated sources.", "DIR"});
    parser.addOption({"png-dir", "Also write each distinct frame as a PNG, for looking at.", "DIR"});
    parser.addPositionalArgument("figures", "Figure sources (.fig).", "FIGURE.fig...");
    parser.process(app);
    if (!parser.isSet("palette") || !parser.isSet("out") || parser.positionalArguments().isEmpty())
        return Fail("usage: ovfig --palette PALETTE.bmp -o OUT_DIR [--png-dir DIR] FIGURE.fig...");

    QByteArray bytes;
    std::string error;
    if (!ReadFile(parser.value("palette"), &bytes, &error))
        return Fail(error);
    const std::span<const uint8_t> file(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    auto dib = PackedDibFromBmpFile(file, &error);
    if (!dib)
        return Fail(parser.value("palette").toStdString() + ": " + error);
    const QList<QRgb> palette = CreateDIBPalette(*dib);
    if (palette.isEmpty())
        return Fail(parser.value("palette").toStdString() + ": no colour table");

    const QString outDir = parser.value("out");
    const QString pngDir = parser.value("png-dir");
    bool ok = true;
    for (const QString& path : parser.positionalArguments()) {
        QByteArray text;
        if (!ReadFile(path, &text, &error)) {
            Fail(error);
            ok = false;
            continue;
        }
        std::vector<std::string> errors;
        Figure::FigureDefinition definition;
        Figure::BuiltFigure built;
        if (!Figure::ParseFigure(text.toStdString(), path.toStdString(), &definition, &errors) ||
            !Figure::BuildFigure(definition, palette, &built, &errors)) {
            for (const std::string& e : errors)
                Fail(e);
            ok = false;
            continue;
        }
        QDir().mkpath(outDir);
        for (const Figure::BuiltPicture& picture : built.pictures) {
            const std::string target = (outDir + "/" + QString::fromStdString(picture.fileName)).toStdString();
            if (!WriteFileAtomically(target, picture.bmp, &error))
                return Fail(error);
            if (!pngDir.isEmpty()) {
                QDir().mkpath(pngDir);
                const QString png = pngDir + "/" + QString::fromStdString(picture.fileName).replace(".bmp", ".png");
                if (!picture.preview.save(png))
                    return Fail(png.toStdString() + ": cannot write");
            }
        }
        const std::string sources = (outDir + "/" + QString::fromStdString(definition.name) + ".ovs").toStdString();
        if (!WriteFileAtomically(sources, Bytes(built.sources), &error))
            return Fail(error);
        int ticks = 0;
        for (const auto& shown : built.shown)
            ticks += shown.second;
        std::printf("%s: %zu pictures, %zu frames shown, %d ms a loop\n", qPrintable(path), built.pictures.size(),
                    built.shown.size(), ticks * Figure::kTickMs);
    }
    return ok ? 0 : 1;
}
