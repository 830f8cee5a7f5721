# Writes the string table into a C++ source as one raw string literal, so the
# texts travel inside the program. Run with -DINPUT=<tsv> -DOUTPUT=<cpp>.
file(READ "${INPUT}" content)
set(delimiter "vantrel_l10n")
string(FIND "${content}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the literal's closing delimiter")
endif()
file(WRITE "${OUTPUT}"
"// Generated from ${INPUT}; do not edit.
#include <cstddef>
namespace vantrel::detail {
extern const char kStringTableSource[];
extern const std::size_t kStringTableSourceSize;
const char kStringTableSource[] = R\"${delimiter}(${content})${delimiter}\";
const std::size_t kStringTableSourceSize = sizeof(kStringTableSource) - 1;
}  // namespace vantrel::detail
")
