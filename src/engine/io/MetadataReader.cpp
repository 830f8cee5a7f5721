#include "engine/io/MetadataReader.h"

#include <exiv2/exiv2.hpp>

#include <charconv>
#include <cmath>
#include <mutex>

#include "engine/io/IccProfile.h"

namespace vantrel {

namespace metadataformat {

std::string fixed1(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    if (result.ec != std::errc{}) return "0.0";
    return std::string(text, result.ptr);
}

std::string aperture(double fNumber) { return "\u0192/" + fixed1(fNumber); }

std::optional<std::string> shutterSpeed(double seconds) {
    if (!(seconds > 0) || !std::isfinite(seconds)) return std::nullopt;
    if (seconds >= 0.8) return fixed1(seconds) + "s";
    // Guard against 1/t landing just below a whole number (1/(1/3.0) = 2.9999...).
    const double denominator = std::floor(1.0 / seconds + 1e-9);
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, static_cast<long long>(denominator)).ptr;
    return "1/" + std::string(text, end) + "s";
}

std::optional<std::string> shutterSpeed(std::int64_t numerator, std::int64_t denominator) {
    if (numerator <= 0 || denominator <= 0) return std::nullopt;
    const double seconds = static_cast<double>(numerator) / static_cast<double>(denominator);
    if (seconds >= 0.8) return fixed1(seconds) + "s";
    // Integer division is exact: 10/600 gives 60 where 1 / (10 / 600.0) might give 59.999...
    return "1/" + std::to_string(denominator / numerator) + "s";
}

std::string exposureBias(double ev) {
    if (!(std::fabs(ev) >= 0.05)) return "0 EV";
    return (ev >= 0 ? "+" : "") + fixed1(ev) + " EV";
}

std::string focalLength(double millimetres) {
    if (!std::isfinite(millimetres)) return "0mm";
    return std::to_string(static_cast<long long>(std::trunc(millimetres))) + "mm";
}

std::string iso(long rating) { return "ISO " + std::to_string(rating); }

std::string fileSize(std::uintmax_t bytes) { return fixed1(static_cast<double>(bytes) / 1048576.0) + " MB"; }

std::string fileType(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return ext;
}

std::string trimmed(const std::string& text) {
    const char* blank = " \t\n\r\v\f";
    const std::size_t first = text.find_first_not_of(blank);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blank) - first + 1);
}

}  // namespace metadataformat

namespace {

void initialiseExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();  // not thread-safe on first use
    });
}

const Exiv2::Exifdatum* find(const Exiv2::ExifData& exif, const char* key) {
    auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() || it->count() == 0 ? nullptr : &*it;
}

bool isNumber(const Exiv2::Exifdatum& d) {
    switch (d.typeId()) {
        case Exiv2::unsignedByte: case Exiv2::unsignedShort: case Exiv2::unsignedLong:
        case Exiv2::unsignedRational: case Exiv2::signedByte: case Exiv2::signedShort:
        case Exiv2::signedLong: case Exiv2::signedRational: case Exiv2::tiffFloat:
        case Exiv2::tiffDouble:
            return true;
        default:
            return false;
    }
}

bool isRational(const Exiv2::Exifdatum& d) {
    return d.typeId() == Exiv2::unsignedRational || d.typeId() == Exiv2::signedRational;
}

std::optional<double> number(const Exiv2::ExifData& exif, const char* key) {
    const Exiv2::Exifdatum* d = find(exif, key);
    if (!d || !isNumber(*d)) return std::nullopt;
    if (isRational(*d)) {
        const Exiv2::Rational r = d->toRational(0);
        if (r.second == 0) return std::nullopt;
        return static_cast<double>(r.first) / r.second;
    }
    const double v = d->toFloat(0);
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

std::optional<std::string> text(const Exiv2::ExifData& exif, const char* key, bool trim) {
    const Exiv2::Exifdatum* d = find(exif, key);
    if (!d || d->typeId() != Exiv2::asciiString) return std::nullopt;
    std::string s = d->toString();
    if (const auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
    return trim ? metadataformat::trimmed(s) : s;
}

// A date that tells a moment: unknown dates are stored blank or as zeros.
bool tellsADate(const std::string& date) { return date.find_first_of("123456789") != std::string::npos; }

// When the picture was taken, as stored: the original's date first. IFD0's
// DateTime is when the file was last written, which for a scan or an edited
// copy is the scanner's or the editor's day, so it comes last.
std::optional<std::string> captureDate(const Exiv2::ExifData& exif) {
    for (const char* key : {"Exif.Photo.DateTimeOriginal", "Exif.Image.DateTimeOriginal", "Exif.Photo.DateTimeDigitized",
                            "Exif.Image.DateTime"})
        if (std::optional<std::string> date = text(exif, key, false); date && tellsADate(*date)) return date;
    return std::nullopt;
}

void readExif(const Exiv2::ExifData& exif, ImageMetadataInfo& m) {
    namespace f = metadataformat;
    m.cameraMake = text(exif, "Exif.Image.Make", true);
    m.cameraModel = text(exif, "Exif.Image.Model", true);
    m.captureDate = captureDate(exif);

    if (auto n = number(exif, "Exif.Photo.FNumber")) m.aperture = f::aperture(*n);
    if (const Exiv2::Exifdatum* d = find(exif, "Exif.Photo.ExposureTime"); d && isNumber(*d)) {
        if (isRational(*d)) {
            // Exiv2 hands unsigned rationals over as signed pairs; read them back unsigned.
            const Exiv2::Rational r = d->toRational(0);
            std::int64_t num = r.first, den = r.second;
            if (d->typeId() == Exiv2::unsignedRational) {
                num = static_cast<std::uint32_t>(r.first);
                den = static_cast<std::uint32_t>(r.second);
            }
            m.shutterSpeed = f::shutterSpeed(num, den);
        } else {
            m.shutterSpeed = f::shutterSpeed(static_cast<double>(d->toFloat(0)));
        }
    }
    if (const Exiv2::Exifdatum* d = find(exif, "Exif.Photo.ISOSpeedRatings"); d && isNumber(*d))
        m.iso = f::iso(d->toLong(0));
    if (auto n = number(exif, "Exif.Photo.FocalLength")) m.focalLength = f::focalLength(*n);
    if (auto n = number(exif, "Exif.Photo.ExposureBiasValue")) m.exposureBias = f::exposureBias(*n);
    m.lensModel = text(exif, "Exif.Photo.LensModel", true);
}

}  // namespace

ImageMetadataInfo readImageMetadata(const std::filesystem::path& path, const ScanHeader* header) {
    ImageMetadataInfo m;
    if (header) {
        m.pixelWidth = header->width;
        m.pixelHeight = header->height;
        m.bitDepth = header->bitDepth;
        if (std::string name = iccProfileDescription(header->iccProfile); !name.empty()) m.colorProfile = name;
    }
    m.fileType = metadataformat::fileType(path);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec) m.fileSizeFormatted = metadataformat::fileSize(size);

    if (!header) return m;  // not an image: no capture data to look for
    initialiseExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(path.string());
        if (image.get()) {
            image->readMetadata();
            readExif(image->exifData(), m);
        }
    } catch (...) {
        // Damaged or foreign metadata leaves the capture fields absent.
    }
    return m;
}

}  // namespace vantrel
