// Loading an effect file with its #include lines resolved.
//
// A line that begins with "#include" (first eight characters, no leading
// blanks) is replaced by the text of the file named between its first and
// last double quote, resolved against the directory of the file that holds
// the line, followed by one line feed. Every other line is kept as it is
// (carriage returns included) and followed by a line feed.
//
// Decisions beyond that:
// - an include line without a pair of double quotes is dropped (an empty
//   line stands in its place) with a warning;
// - a path without a directory separator has an empty directory part, so
//   its includes resolve against the working directory;
// - a file that cannot be read contributes an empty line (warning with the
//   path); only an unreadable top-level file fails the load;
// - a file that includes itself, directly or through other files, or a
//   chain of includes deeper than MAX_INCLUDE_DEPTH, stops the load with a
//   warning naming the file, so a bad file never hangs or overflows.
//
// The file system is reached through effect_file_access, so the rules are
// tested without a host; the matting filter supplies the host's.
#pragma once

#include <functional>
#include <string>

#define MAX_INCLUDE_DEPTH 32

struct effect_file_access {
	// Reads a whole file as UTF-8 text; false when it cannot.
	std::function<bool(const std::string &path, std::string *text)> read;
	// Absolute, canonical form of a path; false when there is none (the
	// host's helper answers nothing for a file that does not exist).
	std::function<bool(const std::string &path, std::string *absolute)>
		absolute;
	// Receives the warning lines (without a log prefix).
	std::function<void(const std::string &line)> warn;
	// Whether two paths that differ only in letter case (and in '/'
	// against '\\') name the same file, as on Windows' file systems.
#ifdef _WIN32
	bool paths_ignore_case = true;
#else
	bool paths_ignore_case = false;
#endif
};

enum class effect_load_status {
	loaded,
	unreadable,   // the top-level file cannot be read
	include_loop, // a file includes itself (culprit names it)
	too_deep,     // includes nest deeper than MAX_INCLUDE_DEPTH
};

struct effect_load_result {
	effect_load_status status = effect_load_status::unreadable;
	std::string text;    // the resolved text when loaded
	std::string culprit; // the file at which loading stopped
};

effect_load_result load_effect_source(const std::string &path,
				      const effect_file_access &access);

// Whether a and b name the same file under the access's path rule.
bool effect_paths_equal(const std::string &a, const std::string &b,
			bool ignore_case);
