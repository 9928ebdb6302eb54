// Reading a text file named by a user, without trusting the name: only a
// regular file is read (a directory, a pipe or a device is refused before
// it is opened, so nothing ever waits on it), and never more than a limit.
// Paths are UTF-8, as the host's are.
#pragma once

#include "effect-loader.h"

#include <string>

// Reads the whole file at path, without a UTF-8 byte order mark at its
// start, when it is a regular file of at most limit bytes.
effect_read_status read_text_file(const std::string &path, size_t limit,
				  std::string *text);

// What path names, asked without opening it: read for a regular file,
// not_a_file for anything else that exists, unreadable when it is missing.
effect_read_status check_regular_file(const std::string &path);
