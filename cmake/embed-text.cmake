# Turns a text file into a C++ source that defines one string constant with
# the file's exact bytes, so built-in effects stay real effect files in the
# tree and reach the module unchanged.
#
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=symbol -DHEADER=header.h
#         -P embed-text.cmake
#
# HEADER declares NAME (and so decides its linkage).
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
# Sixteen bytes a line keeps the generated file readable.
string(REGEX REPLACE "(('[^']+',){16})" "\\1\n\t" bytes "${bytes}")
get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${input_name} (${byte_count} bytes); do not edit.
#include \"${HEADER}\"

namespace {
const char embedded_text[] = {
	${bytes}'\\0'};
} // namespace

const char *const ${NAME} = embedded_text;
")
configure_file("${OUTPUT}.tmp" "${OUTPUT}" COPYONLY)
file(REMOVE "${OUTPUT}.tmp")
