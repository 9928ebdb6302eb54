// Effect files and texts as the matting filter hands them to the host's
// compiler, without a host: the filter's own loader over plain file
// access, its template and its OpenGL adaptation. Used by the effect
// guard's tests and by the probe.
#pragma once

#include <string>
#include <vector>

namespace effect_files {

// Loads a file with its #include lines resolved by the filter's loader;
// false when the file cannot be read or its includes loop.
bool load(const std::string &path, std::string *text);

// Every regular file under dir (recursively) whose name ends in ext,
// sorted.
std::vector<std::string> find(const std::string &dir, const std::string &ext);

// The text the filter compiles on OpenGL: the user text (wrapped in the
// template and the technique when body is set), with "[loop]" removed and
// "#define OPENGL 1" in front.
std::string compiled_text(const std::string &user_text, bool body);

} // namespace effect_files
