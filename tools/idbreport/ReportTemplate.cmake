# Turns the page template into a C++ source at build time, so that the page stays an HTML file
# in the source tree. A byte array rather than a string literal: compilers limit the length of a
# literal (MSVC to 64 KiB), not of an array.
#   cmake -DINPUT=report.html.in -DOUTPUT=ReportTemplate.cpp -P ReportTemplate.cmake
file(READ "${INPUT}" text)
string(FIND "${text}" "@REPORT_DATA@" at)
if(at EQUAL -1)
    message(FATAL_ERROR "${INPUT} has no @REPORT_DATA@ for the data")
endif()
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR length "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(([^,]*,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT} by ReportTemplate.cmake; edit that file.
#include \"tools/idbreport/Report.h\"

namespace {
const char TEMPLATE[${length} + 1] = {
${bytes}'\\0'};
}  // namespace

std::string_view ReportTemplate() { return {TEMPLATE, ${length}}; }
")
# Replaced only when it changed, so that an unchanged page rebuilds nothing (CMake 3.20 has no
# file(COPY_FILE ... ONLY_IF_DIFFERENT)).
execute_process(COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
file(REMOVE "${OUTPUT}.tmp")
