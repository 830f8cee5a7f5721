// Every committed fuzz input of the scan decoders goes through the loader again as the program
// meets it (header and metadata, thumbnail, proxy, full image): each is loaded or refused with
// LoadError, and what loads agrees with its own header.
#include <gtest/gtest.h>

#include "engine/LoadError.h"
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
