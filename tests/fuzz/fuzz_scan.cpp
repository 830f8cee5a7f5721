// One scan format per program (VANTREL_FUZZ_FORMAT), so each decoder gets its own corpus and time.
#include <cstddef>
#include <cstdint>

#include "engine/io/ScanDecoder.h"
#include "fuzz/MemoryFile.h"
#include "fuzz/ScanReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vantrel::fuzz::MemoryFile file;
    file.fill(data, size);
    // Inputs of the other formats belong to the other programs.
    if (vantrel::sniffScanFormat(file.path()) != vantrel::ScanFormat::VANTREL_FUZZ_FORMAT) return 0;
    vantrel::fuzz::readScanFile(file.path());
    return 0;
}
