// The rewriting rules of the shader conversion. Each rule edits the working
// text in place; convert_shader (shader-convert.h) runs them in a fixed
// order. The rules are plain substring searches with small scanners around
// each hit, not a parser: their exact literals and scanning rules decide the
// converted text byte for byte. The text holds no NUL byte (the driver cuts
// its input at the first one, as the host's settings strings end there).
#pragma once

#include "convert-text.h"

#include <string_view>
#include <vector>

using convert_text::Text;

// No limit on the size of the working text.
constexpr size_t NO_SIZE_LIMIT = convert_text::npos;

// Name tables, applied in this order: GLSL type names to effect-language
// names, GLSL functions to their effect-language names, LOVE's "extern" to
// "uniform".
void apply_type_name_table(Text &text);
void apply_function_name_table(Text &text);
void apply_extern_table(Text &text);

// identifier (without "(") names a function returning a scalar, or one that
// works component by component.
bool is_scalar_returning(std::string_view identifier);
bool is_component_wise(std::string_view identifier);

// Brace balance from offset to the end: true when offset lies inside a
// block (a function body), false at file level.
bool is_inside_block(const Text &text, size_t offset);
// is_inside_block for every offset of text (0 to its size), in one pass.
std::vector<bool> block_interior(const Text &text);

// File-level variables of type_name ("bool", "uint", "int", "float", with an
// optional dimension digit) become uniforms; "T a, b;" is split into one
// declaration per name.
void convert_global_declarations(Text &text, std::string_view type_name);

// One-argument constructors ("float3(0.5)") are expanded to count copies of
// the argument; at file level, "T x = T(...)" becomes a brace initialiser.
// When an expansion would make the text longer than size_limit, that call
// and all later ones stay as written.
void expand_constructor(Text &text, std::string_view constructor, int count,
			size_t size_limit = NO_SIZE_LIMIT);
// The same rule taken literally: each call is expanded together with every
// identical call in the text, and each identifier is looked up by a search
// of the whole text (time grows with the square of the text).
void expand_constructor_by_calls(Text &text, std::string_view constructor,
				 int count, size_t size_limit = NO_SIZE_LIMIT);
// The same rule in one pass: each call is expanded when the scan reaches it
// and identifiers are looked up in an index kept up to date. False, with
// text unchanged, for the rare texts where the pass cannot promise the
// literal rule's result (see convert-constructor-pass.cpp).
bool expand_constructor_linear(Text &text, std::string_view constructor,
			       int count, size_t size_limit = NO_SIZE_LIMIT);

// atan(y, x) and atan(y / x) become atan2(y, x).
void convert_atan(Text &text);

// Matrix products: "M * v" becomes "mul(M , v)".
// mul_open_left inserts "mul(" in front of the left operand that ends at
// offset (-1 for "before the first byte", which does nothing);
// mul_close_right inserts ")" behind the right operand that starts at
// offset.
void mul_open_left(Text &text, convert_text::Offset offset);
void mul_close_right(Text &text, size_t offset);
// convert_matrix_variable answers whether it changed the text.
bool convert_matrix_variable(Text &text, std::string_view name);
void convert_matrix_type(Text &text, std::string_view type);

// The main function's colour output variable becomes its return value.
void convert_output_variable(Text &text, std::string_view name,
			     size_t main_offset);
