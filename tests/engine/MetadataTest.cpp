#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "common/LoaderFixtures.h"
#include "engine/io/ImageLoader.h"
#include "engine/io/MetadataReader.h"

using namespace vantrel;
using namespace vantrel::testing;
namespace f = vantrel::metadataformat;

namespace {

// Every display format, checked against the texts a photographer reads.
void expectFormats() {
    EXPECT_EQ(f::shutterSpeed(1, 60), "1/60s");
    EXPECT_EQ(f::shutterSpeed(10, 600), "1/60s");
    EXPECT_EQ(f::shutterSpeed(1, 3), "1/3s");
    EXPECT_EQ(f::shutterSpeed(1, 2), "1/2s");
    EXPECT_EQ(f::shutterSpeed(1, 500), "1/500s");
    EXPECT_EQ(f::shutterSpeed(8, 10), "0.8s");
    EXPECT_EQ(f::shutterSpeed(2, 1), "2.0s");
    EXPECT_EQ(f::shutterSpeed(0, 1), std::nullopt);
    EXPECT_EQ(f::shutterSpeed(1, 0), std::nullopt);
    EXPECT_EQ(f::shutterSpeed(1.0 / 3.0), "1/3s");
    EXPECT_EQ(f::shutterSpeed(-0.5), std::nullopt);
    EXPECT_EQ(f::aperture(1.4), "\u0192/1.4");
    EXPECT_EQ(f::aperture(16), "\u0192/16.0");
    EXPECT_EQ(f::exposureBias(0.04), "0 EV");
    EXPECT_EQ(f::exposureBias(0.3), "+0.3 EV");
    EXPECT_EQ(f::exposureBias(-1), "-1.0 EV");
    EXPECT_EQ(f::focalLength(35.9), "35mm");
    EXPECT_EQ(f::iso(400), "ISO 400");
    EXPECT_EQ(f::fileSize(24537088), "23.4 MB");
    EXPECT_EQ(f::fileType("roll/frame01.tiff"), "TIFF");
    EXPECT_EQ(f::fileType("roll/frame01"), "");

    ImageMetadataInfo m;
    m.pixelWidth = 6000;
    m.pixelHeight = 4000;
    EXPECT_EQ(m.megapixelsText(), "24.0 MP");
    m.pixelWidth = 0;
    EXPECT_EQ(m.megapixelsText(), "-- MP");
    EXPECT_EQ(ImageMetadataInfo::sample().megapixelsText(), "3.8 MP");
}

}  // namespace

TEST(MetadataTest, DisplayFormats) { expectFormats(); }

TEST(MetadataTest, DisplayNames) {
    ImageMetadataInfo m;
    EXPECT_EQ(m.cameraDisplayName(), "Digital Negative");
    EXPECT_EQ(m.lensDisplayName(), "Prime Lens");
    m.cameraMake = "Nikon";
    EXPECT_EQ(m.cameraDisplayName(), "Digital Negative");  // a make alone names nothing
    m.cameraModel = "NIKON Z 7";
    EXPECT_EQ(m.cameraDisplayName(), "NIKON Z 7");         // the model already names the make
    m.cameraModel = "Coolscan 5000";
    EXPECT_EQ(m.cameraDisplayName(), "Nikon Coolscan 5000");
    m.cameraModel = "";
    EXPECT_EQ(m.cameraDisplayName(), "Digital Negative");
    m.focalLength = "35mm";
    EXPECT_EQ(m.lensDisplayName(), "Prime Lens");
    m.aperture = "\u0192/1.4";
    EXPECT_EQ(m.lensDisplayName(), "35mm \u0192/1.4");
    m.lensModel = "";
    EXPECT_EQ(m.lensDisplayName(), "35mm \u0192/1.4");
    m.lensModel = "Summicron 50";
    EXPECT_EQ(m.lensDisplayName(), "Summicron 50");

    const ImageMetadataInfo s = ImageMetadataInfo::sample();
    EXPECT_EQ(s.cameraDisplayName(), "LEICA CAMERA AG LEICA M11-P");  // "leica m11-p" lacks "leica camera ag"
    EXPECT_EQ(s.fileType, "16-bit Master TIFF");
    EXPECT_EQ(s.colorProfile, "Display P3 (Wide Gamut)");
}

TEST(MetadataTest, ReadsCaptureDataFromFiles) {
    TempDir dir;
    JpegFixture fixture;
    fixture.width = 120;
    fixture.height = 80;
    writeJpeg(dir / "shot.jpg", fixture);
    writeExif(dir / "shot.jpg", {{"Exif.Image.Make", Exiv2::asciiString, "  FUJIFILM \n"},
                                 {"Exif.Image.Model", Exiv2::asciiString, "X-T5"},
                                 {"Exif.Image.DateTime", Exiv2::asciiString, "2024:05:01 10:20:30"},
                                 {"Exif.Photo.DateTimeOriginal", Exiv2::asciiString, "1998:07:14 16:05:00"},
                                 {"Exif.Photo.DateTimeDigitized", Exiv2::asciiString, "2023:11:02 08:00:00"},
                                 {"Exif.Photo.FNumber", Exiv2::unsignedRational, "28/10"},
                                 {"Exif.Photo.ExposureTime", Exiv2::unsignedRational, "10/600"},
                                 {"Exif.Photo.ISOSpeedRatings", Exiv2::unsignedShort, "400 800"},
                                 {"Exif.Photo.FocalLength", Exiv2::unsignedRational, "359/10"},
                                 {"Exif.Photo.ExposureBiasValue", Exiv2::signedRational, "-1/3"},
                                 {"Exif.Photo.LensModel", Exiv2::asciiString, " XF35mmF1.4 R "}});
    const LoadedPhoto photo = ImageLoader::loadPhoto(dir / "shot.jpg");
    const ImageMetadataInfo& m = photo.metadata();
    EXPECT_EQ(m.cameraMake, "FUJIFILM");
    EXPECT_EQ(m.cameraModel, "X-T5");
    EXPECT_EQ(m.cameraDisplayName(), "FUJIFILM X-T5");
    EXPECT_EQ(m.captureDate, "1998:07:14 16:05:00");  // the shooting date, not when the file was written
    EXPECT_EQ(m.aperture, "\u0192/2.8");
    EXPECT_EQ(m.shutterSpeed, "1/60s");
    EXPECT_EQ(m.iso, "ISO 400");
    EXPECT_EQ(m.focalLength, "35mm");
    EXPECT_EQ(m.exposureBias, "-0.3 EV");
    EXPECT_EQ(m.lensModel, "XF35mmF1.4 R");
    EXPECT_EQ(m.pixelWidth, 120);
    EXPECT_EQ(m.pixelHeight, 80);
    EXPECT_EQ(m.bitDepth, 8);
    EXPECT_EQ(m.colorProfile, "Display P3");
    EXPECT_EQ(m.fileType, "JPG");
    ASSERT_TRUE(m.fileSizeFormatted);
    EXPECT_EQ(m.fileSizeFormatted->substr(m.fileSizeFormatted->size() - 3), " MB");

    // A scanner TIFF: make, model and date from its own tags; no EXIF block.
    TiffFixture tiff;
    tiff.bits = 16;
    tiff.make = "Nikon";
    tiff.model = "LS-5000";
    tiff.dateTime = "2023:11:02 08:00:00";
    tiff.icc = displayP3Profile("Scanner RGB");
    writeTiff(dir / "scan.tif", tiff);
    const ImageMetadataInfo t = ImageLoader::loadPhoto(dir / "scan.tif").metadata();
    EXPECT_EQ(t.cameraDisplayName(), "Nikon LS-5000");
    EXPECT_EQ(t.captureDate, "2023:11:02 08:00:00");
    EXPECT_EQ(t.bitDepth, 16);
    EXPECT_EQ(t.colorProfile, "Scanner RGB");
    EXPECT_FALSE(t.shutterSpeed);
    EXPECT_FALSE(t.iso);

    // Nothing to read: every capture text absent, generic names, and no extension.
    PngFixture png;
    writePng(dir / "bare", png);
    const ImageMetadataInfo b = ImageLoader::loadPhoto(dir / "bare").metadata();
    EXPECT_FALSE(b.cameraMake || b.cameraModel || b.lensModel || b.focalLength || b.aperture || b.shutterSpeed ||
                 b.iso || b.exposureBias || b.captureDate);
    EXPECT_EQ(b.lensDisplayName(), "Prime Lens");
    EXPECT_EQ(b.cameraDisplayName(), "Digital Negative");
    EXPECT_EQ(b.fileType, "");

    // Tags of the wrong type are ignored, not misread.
    writeJpeg(dir / "odd.jpg", fixture);
    writeExif(dir / "odd.jpg", {{"Exif.Photo.FNumber", Exiv2::asciiString, "2.8"},
                                {"Exif.Photo.ExposureTime", Exiv2::unsignedRational, "0/1"}});
    const ImageMetadataInfo o = ImageLoader::loadPhoto(dir / "odd.jpg").metadata();
    EXPECT_FALSE(o.aperture);
    EXPECT_FALSE(o.shutterSpeed);

    // A date left blank or zero tells nothing: the next one is read, in TIFF and PNG files too.
    writeExif(dir / "scan.tif", {{"Exif.Photo.DateTimeOriginal", Exiv2::asciiString, "    :  :     :  :  "},
                                 {"Exif.Photo.DateTimeDigitized", Exiv2::asciiString, "1999:01:02 03:04:05"}});
    EXPECT_EQ(ImageLoader::loadPhoto(dir / "scan.tif").metadata().captureDate, "1999:01:02 03:04:05");
    writePng(dir / "shot.png", png);
    writeExif(dir / "shot.png", {{"Exif.Photo.DateTimeOriginal", Exiv2::asciiString, "0000:00:00 00:00:00"},
                                 {"Exif.Image.DateTime", Exiv2::asciiString, "2001:02:03 04:05:06"}});
    EXPECT_EQ(ImageLoader::loadPhoto(dir / "shot.png").metadata().captureDate, "2001:02:03 04:05:06");
}

namespace {
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};
}  // namespace

TEST(MetadataTest, FormatsIgnoreTheProcessLocale) {
    const std::string savedC = std::setlocale(LC_ALL, nullptr);
    const std::locale savedCpp;
    // The German C locale when the system has it; always a German-style C++ global locale.
    const bool haveGerman = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "de_DE");
    std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    if (!haveGerman) std::cout << "[ note ] no de_DE locale installed; checked under a comma-decimal C++ locale\n";
    expectFormats();
    TempDir dir;
    JpegFixture fixture;
    writeJpeg(dir / "de.jpg", fixture);
    writeExif(dir / "de.jpg", {{"Exif.Photo.ExposureBiasValue", Exiv2::signedRational, "7/10"},
                               {"Exif.Photo.ExposureTime", Exiv2::unsignedRational, "5/2"}});
    const ImageMetadataInfo m = ImageLoader::loadPhoto(dir / "de.jpg").metadata();
    EXPECT_EQ(m.exposureBias, "+0.7 EV");
    EXPECT_EQ(m.shutterSpeed, "2.5s");
    std::locale::global(savedCpp);
    std::setlocale(LC_ALL, savedC.c_str());
}
