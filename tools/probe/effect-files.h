// Effect files as the matting filter's loader reads them: every line that
// begins with "#include" is replaced by the text of the quoted file
// (relative to the including file, recursively) plus a line feed; every
// other line is kept and followed by a line feed. Used by the guard's tests
// and the probe to see host effects the way the filter hands them on.
#pragma once

#include <string>
#include <vector>

namespace effect_files {

// The loaded text, or false when the file cannot be read. Include cycles
// stop at a depth of 16.
bool load(const std::string &path, std::string *text);

// Every regular file under dir (recursively) whose name ends in ".effect",
// sorted.
std::vector<std::string> find_effects(const std::string &dir);

// The text as the matting filter compiles it on OpenGL: "#define OPENGL 1"
// and a line feed in front, every "[loop]" removed.
std::string opengl_text(const std::string &text);

} // namespace effect_files
