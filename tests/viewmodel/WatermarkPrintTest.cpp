// The watermark a frame prints: its preview and its exported file take the
// parts its own fields leave empty from the frame's shooting data, so both
// print the line the film frame panel shows.
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "engine/core/Image.h"
#include "engine/io/LoadedPhoto.h"
#include "services/ExportSettings.h"
#include "viewmodel/EngineRenderService.h"
#include "viewmodel/ViewModelServices.h"
#include "common/ImageDifference.h"

namespace vantrel::testing {
namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 400;

ImageMetadataInfo nikon() {
    ImageMetadataInfo m;
    m.cameraMake = "Nikon";
    m.cameraModel = "FM2";
    m.lensModel = "Nikkor 50mm";
    m.shutterSpeed = "1/125s";
    m.iso = "ISO 100";
    m.captureDate = "1986-03-02";
    return m;
}

LoadedPhoto photoWith(const ImageMetadataInfo& metadata) {
    const Image scan = Image::constant(WorkingColor{0.18f, 0.2f, 0.22f, 1}).cropped(Rect{0, 0, kWidth, kHeight});
    return LoadedPhoto("", "frame.tif", std::nullopt, scan, scan, PhotoSize{kWidth, kHeight}, true, "Display P3",
                       metadata);
}

// The watermark on, its texts empty: the badge takes its line from the frame's shooting data.
EditParameters watermarked(FilmFrameStyle style) {
    EditParameters recipe;
    recipe.filmFrame.style = style;
    recipe.filmFrame.showExifWatermark = true;
    recipe.filmFrame.watermarkPosition = FilmWatermarkPosition::bottomLeft;
    return recipe;
}

QImage preview(const LoadedPhoto& photo, const EditParameters& recipe) {
    EngineRenderService service;
    RenderJob job{photo, recipe, std::nullopt};
    const std::optional<RenderResult> result = service.render(job, {});
    return result ? result->preview.convertToFormat(QImage::Format_ARGB32) : QImage();
}

QImage exportedImage(const LoadedPhoto& photo, const EditParameters& recipe) {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("frame.png").toStdString();
    ExportSettings settings;
    settings.format = ExportFormat::png;
    settings.useDisplayP3 = false;
    EngineExportService().exportImage(photo, recipe, settings, std::nullopt, file, {});
    return QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_ARGB32);
}

TEST(WatermarkPrint, PreviewAndExportPrintTheShootingDataWhereTheFieldsAreEmpty) {
    for (FilmFrameStyle style : {FilmFrameStyle::none, FilmFrameStyle::galleryBorder}) {
        const LoadedPhoto frame = photoWith(nikon());
        const EditParameters recipe = watermarked(style);
        const QImage shown = preview(frame, recipe);
        ASSERT_FALSE(shown.isNull());

        // The same line typed as the custom text, on a frame without any shooting data.
        EditParameters typed = recipe;
        typed.filmFrame.customWatermarkText = recipe.filmFrame.watermarkText(&frame.metadata());
        ASSERT_EQ(typed.filmFrame.customWatermarkText, "Nikon FM2  |  Nikkor 50mm  |  1/125s  ISO 100  |  1986-03-02");
        EXPECT_EQ(largestDifference(shown, preview(photoWith(ImageMetadataInfo{}), typed)), 0);
        // Other shooting data prints another line (the badge is not the record's alone).
        ImageMetadataInfo other = nikon();
        other.cameraModel = "F3";
        EXPECT_GT(largestDifference(shown, preview(photoWith(other), recipe)), 64);

        // The exported file prints what the preview shows.
        const QImage exported = exportedImage(frame, recipe);
        ASSERT_EQ(exported.size(), shown.size());
        EXPECT_LE(largestDifference(exported, shown), 2);

        // A frame that tells nothing of its shooting prints no badge, neither shown nor exported.
        const LoadedPhoto blank = photoWith(ImageMetadataInfo{});
        EditParameters unmarked = recipe;
        unmarked.filmFrame.showExifWatermark = false;
        EXPECT_EQ(largestDifference(preview(blank, recipe), preview(blank, unmarked)), 0);
        EXPECT_EQ(largestDifference(exportedImage(blank, recipe), exportedImage(blank, unmarked)), 0);
    }
}

}  // namespace
}  // namespace vantrel::testing
