// The effect guard's model of the host's effect compiler: its C-family
// lexer, its preprocessor and the parts of its effect parser and OpenGL
// shader writer that can crash or hang on malformed text. Pure text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace effect_guard {

/* --- limits, far below what the host survives ------------------------ */

// #ifdef/#ifndef blocks inside each other (the host recurses per level and
// overflows its stack near 100,000).
constexpr int max_conditional_depth = 256;
// Macro expansions and argument substitutions inside each other (nested
// macro calls take seconds from about 10,000 on).
constexpr int max_expansion_depth = 256;
// Tokens of the text itself, blanks and directives included.
constexpr size_t max_text_tokens = 800000;
// Tokens after preprocessing, counted while macros expand (an exponential
// macro exhausts the host's memory).
constexpr size_t max_expanded_tokens = 200000;
// Tokens looked at while macros expand, also those that expand to nothing
// (macros that double each other's empty expansions take forever).
constexpr size_t max_expansion_work = 1000000;
// #define lines (each name token looks every definition up).
constexpr size_t max_definitions = 1024;
// Brackets of any kind inside each other (the host's shader writer
// recurses per level).
constexpr int max_bracket_depth = 256;
// Top-level declarations: uniforms, constants, functions, structures and
// sampler states (every name in a function body looks them all up).
constexpr size_t max_declarations = 2048;
// Names in function bodies times declarations (10,000 declarations each
// used once take a second).
constexpr size_t max_lookup_work = 20000000;
// Tokens of one statement (an expression of 20,000 terms crashes the
// shader compiler).
constexpr size_t max_statement_tokens = 4096;

/* --- tokens ----------------------------------------------------------- */

enum class TokenType { None, Name, Number, SpaceTab, Newline, String, Other };

struct Token {
	TokenType type = TokenType::None;
	std::string_view text; // as the host sees it (splices removed)
	int line = 0;          // line of the guarded text, from 1
	// For a token that a macro produced: the macro's name (else empty).
	std::string_view macro;

	bool is(char ch) const
	{
		return type == TokenType::Other && text.size() == 1 &&
		       text[0] == ch;
	}
	bool is(std::string_view word) const { return text == word; }
	bool blank() const
	{
		return type == TokenType::SpaceTab ||
		       type == TokenType::Newline;
	}
};

struct LexedText {
	std::string merged;        // token texts, splices removed
	std::vector<Token> tokens; // ends with one None token
};

// Splits text into tokens the way the host's lexer does. False with a
// reason when the host's lexer would read past the end of the text or
// fails (a comment that is never closed).
bool lex_effect_text(const std::string &text, LexedText *out,
		     std::string *reason);

// Runs the host's preprocessor over lexed tokens: directives, conditional
// blocks, macro definitions and expansion. *out gets the tokens the effect
// parser would see (ending with one None token). False with a reason for
// constructs that crash or hang the host.
bool preprocess_effect_tokens(const std::vector<Token> &tokens,
			      std::vector<Token> *out, std::string *reason);

// Checks the preprocessed tokens against what crashes the host's effect
// parser and its OpenGL shader writer.
bool check_effect_structure(const std::vector<Token> &tokens,
			    std::string *reason);

} // namespace effect_guard
