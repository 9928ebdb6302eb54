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
// - a file that cannot be read (missing, no permission) contributes an
//   empty line (warning with the path); only an unreadable top-level file
//   fails the load;
// - a file that includes itself, directly or through other files, or a
//   chain of includes deeper than MAX_INCLUDE_DEPTH, stops the load with a
//   warning naming the file, so a bad file never hangs or overflows;
// - only regular files are read: a path (the file's or an include's) that
//   names a directory, a pipe or a device stops the load, and so do a file
//   larger than EFFECT_TEXT_MAX_BYTES, a text that grows larger than that
//   with its includes, and a file holding a NUL byte (not a text file; the
//   compiler would silently drop whatever follows it).
//
// The file system is reached through effect_file_access, so the rules are
// tested without a host; the matting filter supplies the host's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#define MAX_INCLUDE_DEPTH 32

// Largest effect text read: each file, and a text with its includes.
#define EFFECT_TEXT_MAX_BYTES (size_t(16) << 20)

enum class effect_read_status {
	read,
	unreadable, // missing, or it cannot be opened or read
	not_a_file, // a directory, a pipe, a device...
	too_large,  // larger than the limit asked for
};

struct effect_file_access {
	// Reads a whole regular file of at most limit bytes as UTF-8 text
	// (without a byte order mark), never waiting on the file.
	std::function<effect_read_status(const std::string &path, size_t limit,
					 std::string *text)>
		read;
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
	unreadable,     // the top-level file cannot be read
	include_loop,   // a file includes itself (culprit names it)
	too_deep,       // includes nest deeper than MAX_INCLUDE_DEPTH
	not_a_file,     // culprit is a directory, a pipe, a device...
	too_large,      // culprit is larger than EFFECT_TEXT_MAX_BYTES
	text_too_large, // the text grew larger than that at culprit
	has_nul,        // culprit holds a NUL byte
};

// Where each line of a loaded text came from: runs of consecutive lines
// of one file.
struct effect_source_map {
	struct run {
		size_t first_line;      // line of the loaded text, from 1
		uint32_t file;          // index into files
		size_t first_file_line; // its line in that file, from 1
	};
	std::vector<std::string> files; // as read (the top file as given)
	std::vector<run> runs;          // ascending first_line

	// The file and the line in it of a line of the loaded text; false
	// beyond the text.
	bool origin(size_t line, std::string *file, size_t *file_line) const;
	size_t line_count = 0;
};

struct effect_load_result {
	effect_load_status status = effect_load_status::unreadable;
	std::string text;    // the resolved text when loaded
	std::string culprit; // the file at which loading stopped
	effect_source_map sources; // when loaded
};

effect_load_result load_effect_source(const std::string &path,
				      const effect_file_access &access);

// Whether a and b name the same file under the access's path rule.
bool effect_paths_equal(const std::string &a, const std::string &b,
			bool ignore_case);
