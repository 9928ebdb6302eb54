// Lines of the user's own text in messages about the compiled effect text.
//
// The text handed to the host's compiler is the user's text with the
// template (and on OpenGL a "#define OPENGL 1" line) ahead of it and the
// technique after it, so the guard's and the host parser's line numbers
// are not the user's. These functions add the user's line, or the line of
// the effect file (and include) it came from, to such messages.
#pragma once

#include "effect-loader.h"

#include <string>
#include <vector>

struct effect_text_layout {
	size_t first_user_line = 1; // line of the compiled text, from 1
	size_t user_lines = 0;      // lines of the user's text
	// The files the user's text was loaded from; null for text from the
	// settings.
	const effect_source_map *sources = nullptr;

	// "line 3 of the effect text", or "line 3 of /fx/a.shader" for text
	// from files; "" for a line of the template or the technique.
	std::string place(size_t compiled_line) const;
	std::string place_of_user_line(size_t user_line) const;
};

// The layout of the text that compose_effect_text makes of user_text, then
// adapted for OpenGL when opengl is set.
effect_text_layout effect_layout(bool use_template, bool opengl,
				 const std::string &user_text);

// Adds the user's line to every line of the compiled text that message
// names: " (line 3 of the effect text)" after the guard's "line 55", and at
// the end of a line that carries the host parser's position "(55, 12): ".
std::string add_user_lines(const std::string &message,
			   const effect_text_layout &layout);

// The graphics driver counts the lines of a shader that the host generates
// from the effect, whose numbers mean nothing to the user. When the
// driver's line names (in quotes) an identifier that the user's text uses
// on one line only, that line is added; otherwise the line is kept as it is.
std::string add_user_line_to_driver_line(const std::string &line,
					 const std::string &user_text,
					 const effect_text_layout &layout);

// The graphics driver's message, a line per entry: from what the host
// logged at error level on the compiling thread (its OpenGL back end logs
// the driver's text after "Error compiling shader:"), or else from the back
// end's text that the host's parser quotes after "Error creating shader: ".
// That quote is taken out of *parser_errors, so that host versions that
// quote the driver and those that only log it read the same.
std::vector<std::string>
effect_driver_lines(const std::vector<std::string> &logged_errors,
		    std::string *parser_errors);
