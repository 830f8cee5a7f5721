#include <cstddef>
#include <cstdint>

#include "fuzz/RecordReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantrel::fuzz::readSnapshotList({reinterpret_cast<const char*>(data), size});
    return 0;
}
