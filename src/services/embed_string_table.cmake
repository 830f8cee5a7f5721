# Writes the string table into a C++ source as one raw string literal, so the
# texts travel inside the program. Run with -DINPUTS=<tsv>|<tsv>... -DOUTPUT=<cpp>:
# the files are joined in the order given (the first holds the header).
string(REPLACE "|" ";" inputs "${INPUTS}")
set(content "")
foreach(input IN LISTS inputs)
  file(READ "${input}" part)
  if(NOT part STREQUAL "" AND NOT part MATCHES "\n$")
    string(APPEND part "\n")
  endif()
  string(APPEND content "${part}")
endforeach()
set(delimiter "vantrel_l10n")
string(FIND "${content}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "a string table contains the literal's closing delimiter")
endif()
file(WRITE "${OUTPUT}"
"// Generated from resources/strings.tsv and resources/strings/; do not edit.
#include <cstddef>
namespace vantrel::detail {
extern const char kStringTableSource[];
extern const std::size_t kStringTableSourceSize;
const char kStringTableSource[] = R\"${delimiter}(${content})${delimiter}\";
const std::size_t kStringTableSourceSize = sizeof(kStringTableSource) - 1;
}  // namespace vantrel::detail
")
