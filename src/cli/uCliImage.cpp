#include "uCliImage.h"

#include "uCliArguments.h"
#include "uCliCommands.h"
#include "uCliOutput.h"

#include <imaging/uImageFile.h>
#include <platform/EFileError.h>

#include <QElapsedTimer>
#include <QFileInfo>

#include <array>
#include <cstdint>
#include <utility>

namespace {

TResampleFilter FilterByName(const QString& name)
{
    static const std::array<std::pair<const char*, TResampleFilter>, 12> filters = {{
        {"none", rfNone},
        {"triangle", rfTriangle},
        {"hermite", rfHermite},
        {"bell", rfBell},
        {"bspline", rfBSpline},
        {"lanczos3", rfLanczos3},
        {"mitchell", rfMitchell},
        {"nearest", rfNearest},
        {"linear", rfLinear},
        {"fastlinear", rfFastLinear},
        {"bilinear", rfBilinear},
        {"bicubic", rfBicubic},
    }};
    const QString n = name.toLower();
    for (const auto& [text, filter] : filters)
        if (n == QLatin1String(text))
            return filter;
    throw EUsage("unknown filter \"" + name.toStdString() + "\"");
}

void RequireImageType(const QString& fileName)
{
    // The library reads and writes nothing for other extensions; here that is an error.
    if (GetImageFileType(fileName) == iftUnknown)
        throw EFileError(fileName,
                         QStringLiteral("Not an image file type (bmp, png, jpg, tga, psd)"));
}

bool HasTransparency(const TBitmap& bmp)
{
    for (int y = 0; y < bmp.Height(); ++y) {
        const std::uint8_t* p = bmp.ScanLine(y);
        for (int x = 0; x < bmp.Width(); ++x)
            if (p[4 * x + 3] != 255)
                return true;
    }
    return false;
}

} // namespace

QString RunImage(const QString& In, const QString& Out, const TImageOptions& Options)
{
    const TResampleFilter filter = FilterByName(Options.FilterName);
    RequireImageType(In);
    RequireImageType(Out);
    if (!QFileInfo(In).isFile())
        throw EFileError(In, QStringLiteral("No such file"));

    QElapsedTimer timer;
    timer.start();
    TImageFile bmp;
    bmp.LoadFromFile(In);
    if (bmp.Empty()) {
        if (!bmp.LoadRefusal().isEmpty())
            throw EFileError(
                In, QStringLiteral("The picture could not be decoded (%1)").arg(bmp.LoadRefusal()));
        throw EFileError(In, QStringLiteral("The picture could not be decoded"));
    }
    const int w0 = bmp.Width();
    const int h0 = bmp.Height();

    if (Options.Resize) {
        // A picture with transparency is filtered premultiplied, so the colour under
        // transparent pixels does not bleed into the edges, and it keeps its alpha.
        if (bmp.AlphaFormat() == afDefined && HasTransparency(bmp))
            ResampleBitmapPremultiplied(bmp, Options.Width, Options.Height, filter);
        else
            bmp.Resample(Options.Width, Options.Height, filter);
    }
    if (Options.Flip == 'h')
        bmp.FlipHorizontal();
    else if (Options.Flip == 'v')
        bmp.FlipVertical();
    if (Options.Quality)
        bmp.CompressionQuality = TJPEGQualityRange(*Options.Quality);
    if (Options.Level)
        bmp.CompressionLevel = TCompressionLevel(*Options.Level);
    bmp.SaveToFile(Out);

    return QStringLiteral("read %1 (%2x%3), wrote %4 (%5x%6) in %7 ms")
        .arg(In)
        .arg(w0)
        .arg(h0)
        .arg(Out)
        .arg(bmp.Width())
        .arg(bmp.Height())
        .arg(timer.elapsed());
}

int RunImageCommand(const TOptions& o)
{
    WriteErr(RunImage(o.Paths[0], o.Paths[1], o.Image) + u'\n');
    return 0;
}
