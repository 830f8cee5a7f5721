// Every committed fuzz input of the scan decoders goes through the loader again as the program
// meets it (header and metadata, thumbnail, proxy, full image): each is loaded or refused with
// LoadError, and what loads agrees with its own header.
#include <gtest/gtest.h>

#include "engine/io/IccProfile.h"
#include "engine/io/LoadError.h"
#include "engine/io/ScanDecoder.h"
#include "fuzz/CorpusFiles.h"
#include "fuzz/ScanReader.h"

using namespace vantrel;
using namespace vantrel::fuzz;

TEST(FuzzCorpusReplay, JpegTiffAndPngScans) {
    for (const char* target : {"jpeg", "tiff", "png"}) {
        const auto files = corpusFiles(target);
        ASSERT_FALSE(files.empty()) << target;
        int decoded = 0;
        for (const auto& file : files) {
            bool ok = false;
            EXPECT_NO_THROW(ok = readScanFile(file)) << file;
            decoded += ok;
        }
        EXPECT_GT(decoded, 0) << target;
    }
}

namespace {

int decodeError(const std::filesystem::path& file, int maxLongEdge = 0, std::string* detail = nullptr) {
    try {
        decodeScan(file, {.maxLongEdge = maxLongEdge});
    } catch (const LoadError& e) {
        if (detail) *detail = e.detail();
        return e.code();
    }
    return 0;
}

}  // namespace

// A 268-byte tiled TIFF announcing 2068 x 4096 one-bit pixels with four of its 33280 tiles:
// libtiff, told not to stop at unreadable tiles, made megapixels of nothing out of it.
TEST(FuzzFindings, TiffWithUnreadableTilesIsUndecodable) {
    const auto file = corpusFolder("tiff") / "missing_tiles.tif";
    EXPECT_EQ(readScanHeader(file).width, 2068);
    EXPECT_EQ(decodeError(file), LoadError::kUndecodable);
    EXPECT_EQ(decodeError(file, 320), LoadError::kUndecodable);
}

// Seed JPEGs of a few hundred bytes whose frame header was changed to announce 20000 x 20000
// pixels: libjpeg padded the missing data with grey, decoding (and, progressive, holding the
// coefficients of) 400 megapixels before anything could notice.
TEST(FuzzFindings, JpegAnnouncingMorePixelsThanItsDataIsUndecodable) {
    for (const char* name : {"size_beyond_data.jpg", "progressive_size_beyond_data.jpg"}) {
        const auto file = corpusFolder("jpeg") / name;
        EXPECT_EQ(readScanHeader(file).width, 20000) << name;
        std::string detail;
        EXPECT_EQ(decodeError(file, 0, &detail), LoadError::kUndecodable) << name;
        EXPECT_NE(detail.find("too short for the announced size"), std::string::npos) << detail;
        EXPECT_EQ(decodeError(file, 320), LoadError::kUndecodable) << name;
    }
}

// Headers announcing 20000 x 20000 RGBA 16-bit pixels over a few bytes of data: the decoders
// allocated 3.2 GB for them before reading the first row.
TEST(FuzzFindings, TiffAndPngAnnouncingMorePixelsThanTheirDataAreRefusedBeforeAllocating) {
    for (const auto& file : {corpusFolder("tiff") / "size_beyond_data.tif", corpusFolder("png") / "size_beyond_data.png"}) {
        EXPECT_EQ(readScanHeader(file).width, 20000) << file;
        std::string detail;
        EXPECT_EQ(decodeError(file, 0, &detail), LoadError::kUndecodable) << file;
        // Refused up front, not after a first row failed to read.
        EXPECT_NE(detail.find("too short for the announced size"), std::string::npos) << detail;
        EXPECT_EQ(decodeError(file, 320), LoadError::kUndecodable) << file;
    }
}

// A TIFF naming a compression scheme libtiff does not have (262), 20000 x 20000 pixels in one
// strip: the proxy path allocated a 2.4 GB band for it before the first read failed.
TEST(FuzzFindings, TiffWithUnknownCompressionIsRefusedBeforeAllocating) {
    const auto file = corpusFolder("tiff") / "unknown_compression.tif";
    EXPECT_EQ(readScanHeader(file).width, 20000);
    for (int maxLongEdge : {0, 320, 2560}) {
        std::string detail;
        EXPECT_EQ(decodeError(file, maxLongEdge, &detail), LoadError::kUndecodable);
        EXPECT_EQ(detail, "unsupported TIFF compression");
    }
}

// A 470-byte PNG whose eXIf chunk claims 2 GB: libpng allocated (and, on the way out, cleared)
// the whole claim before finding the file too short, which took seconds. The outcome was the
// same error; the fuzz build's allocation limit is what sees the difference on replay.
TEST(FuzzFindings, PngChunkClaimingGigabytesIsRefusedAtOnce) {
    const auto file = corpusFolder("png") / "exif_length_beyond_file.png";
    std::string detail;
    try {
        readScanHeader(file);
    } catch (const LoadError& e) {
        detail = e.detail();
        EXPECT_EQ(e.code(), LoadError::kUnreadable);
    }
    EXPECT_EQ(detail, "unreadable PNG header");
    EXPECT_EQ(decodeError(file), LoadError::kUnreadable);
}

// A TIFF whose 564-byte profile has a text tag counting far more records than it holds: lcms2
// allocated and cleared hundreds of megabytes for it on every open, seconds per scan.
TEST(FuzzFindings, ProfileWithTagCountsBeyondItsDataIsIgnored) {
    const auto file = corpusFolder("tiff") / "profile_text_count.tif";
    const ScanHeader header = readScanHeader(file);
    ASSERT_EQ(header.iccProfile.size(), 564u);
    EXPECT_EQ(iccProfileChannels(header.iccProfile), 0);
    EXPECT_EQ(iccProfileDescription(header.iccProfile), "");
    EXPECT_TRUE(decodeScan(file).iccProfile.empty());
}

// A 290-byte TIFF, 1 x 4606 pixels in tiles 62224 x 528: every decoding thread cleared a
// 131 MB tile buffer for each tile row before the first read failed.
TEST(FuzzFindings, TilesReachingFarPastTheImageMustBeBackedByData) {
    const auto file = corpusFolder("tiff") / "tile_far_beyond_image.tif";
    EXPECT_EQ(readScanHeader(file).height, 4606);
    for (int maxLongEdge : {0, 320}) {
        std::string detail;
        EXPECT_EQ(decodeError(file, maxLongEdge, &detail), LoadError::kUndecodable);
        EXPECT_EQ(detail, "TIFF data too short for the announced size");
    }
}
