// The parts of the host's effect parser and OpenGL shader writer that crash
// or hang on malformed effects, checked on the preprocessed tokens: a
// function body left open (the parser reads past its token array), runaway
// nesting, statements and declarations, a '#' that would reach the
// writer's own preprocessor, and the inputs and outputs of the functions
// that a technique's passes use as shaders (the writer dereferences a
// missing semantic and recurses into a structure that contains itself).
#include "guard-model.h"

#include <unordered_map>
#include <unordered_set>

namespace effect_guard {

namespace {

using Tokens = std::vector<const Token *>;
constexpr size_t npos = size_t(-1);

std::string at_line(const Token &t)
{
	std::string text = " at line " + std::to_string(t.line);
	if (!t.macro.empty())
		text += " (from macro '" + std::string(t.macro) + "')";
	return text;
}

std::string quoted(std::string_view name)
{
	return "'" + std::string(name) + "'";
}

struct Variable {
	std::string_view type, name, mapping;
	const Token *at = nullptr;
};

struct Structure {
	std::string_view name;
	const Token *at = nullptr;
	std::vector<Variable> members;
};

struct Function {
	std::string_view name, type, mapping;
	const Token *at = nullptr;
	std::vector<Variable> params;
	const Token *bad_param = nullptr; // a parameter not "type name : X"
	size_t body_begin = 0, body_end = 0; // tokens inside the braces
};

struct ShaderUse {
	std::string_view function;
	const Token *at = nullptr;
	std::string role; // "pixel shader of pass 0 of technique 'Draw'"
};

class Checker {
public:
	Checker(const std::vector<Token> &tokens, std::string *reason)
		: reason_(reason)
	{
		r_.reserve(tokens.size() + 1);
		v_.reserve(tokens.size());
		for (const Token &t : tokens) {
			r_.push_back(&t);
			if (!t.blank() && t.type != TokenType::None)
				v_.push_back(&t);
		}
		if (r_.empty() || r_.back()->type != TokenType::None)
			r_.push_back(&end_);
	}

	bool run()
	{
		return nesting_is_bounded() && statements_are_short() &&
		       parse_top_level() && lookups_are_bounded() &&
		       no_stray_hash() && shaders_are_writable();
	}

private:
	enum Code { Success, Continue, Eof };

	bool refuse(const std::string &why)
	{
		*reason_ = why;
		return false;
	}

	// The host parser's cursor over all tokens, blanks included.
	const Token &cur() const { return *r_[c_]; }
	bool at_end() const { return cur().type == TokenType::None; }
	bool cur_is(char ch) const { return cur().is(ch); }
	bool cur_is(std::string_view word) const { return cur().is(word); }
	bool cur_name() const { return cur().type == TokenType::Name; }
	bool next();
	size_t peek() const;
	bool go_to(char a, char b);
	bool pass_braces();
	Code get_name(char recover);
	Code next_name(char recover);
	Code should_be(char want, char recover);
	Code next_should_be(char want, char recover)
	{
		return next() ? should_be(want, recover) : Eof;
	}

	bool named_outside_passes(std::string_view name) const;
	bool nesting_is_bounded();
	bool statements_are_short();
	bool parse_top_level();
	void parse_struct();
	enum class Step { Word, NextMember, EndOfStruct, Eof };
	Step member_word(std::string_view *word);
	void parse_technique();
	Code parse_pass(std::string_view technique, int pass);
	void parse_sampler();
	bool parse_other();
	bool parse_function(Function &f);
	void parse_param();
	bool parse_annotations();
	enum class AnnotationWord { name, annotation_end, list_end, failed };
	AnnotationWord read_annotation_word();
	bool parse_value();
	bool lookups_are_bounded();
	bool no_stray_hash();
	bool shaders_are_writable();
	bool check_variable(const Variable &var, const std::string &what,
			    std::vector<const Structure *> &open);
	const Structure *structure(std::string_view name) const
	{
		const auto it = structs_.find(name);
		return it == structs_.end() ? nullptr : &it->second;
	}

	std::string *reason_;
	Token end_;
	Tokens r_; // every token, ending with the end token
	Tokens v_; // the tokens that are not blank
	size_t c_ = 0;
	std::unordered_map<std::string_view, Structure> structs_;
	std::unordered_map<std::string_view, Function> functions_;
	std::vector<ShaderUse> shaders_;
	size_t declarations_ = 0;
	size_t body_names_ = 0;
};

// The host parser's "next token": past the current token unless it is a
// blank, then past blanks.
bool Checker::next()
{
	if (!at_end() && !cur().blank())
		c_++;
	while (cur().blank())
		c_++;
	return !at_end();
}

size_t Checker::peek() const
{
	size_t k = c_;
	if (r_[k]->type != TokenType::None && !r_[k]->blank())
		k++;
	while (r_[k]->blank())
		k++;
	return k;
}

// The host parser's "go to token": steps forward to a or b, passing brace
// pairs (and, when a pair is followed directly by a token, that token too).
bool Checker::go_to(char a, char b)
{
	while (next()) {
		if (cur_is(a) || (b && cur_is(b)))
			return true;
		if (cur_is('{') && !pass_braces())
			break;
	}
	return false;
}

// The host parser's "pass pair": from a '{' to just past its '}'.
bool Checker::pass_braces()
{
	if (!cur_is('{'))
		return !at_end();
	c_++;
	while (!at_end()) {
		if (cur_is('{')) {
			if (!pass_braces())
				break;
			continue;
		}
		if (cur_is('}')) {
			c_++;
			break;
		}
		c_++;
	}
	return !at_end();
}

Checker::Code Checker::get_name(char recover)
{
	if (cur_name())
		return Success;
	return recover && !go_to(recover, 0) ? Eof : Continue;
}

Checker::Code Checker::next_name(char recover)
{
	return next() ? get_name(recover) : Eof;
}

Checker::Code Checker::should_be(char want, char recover)
{
	if (cur_is(want))
		return Success;
	return recover && !go_to(recover, 0) ? Eof : Continue;
}

// The host's parser and its shader writer recurse once per bracket level.
bool Checker::nesting_is_bounded()
{
	int level = 0;
	for (const Token *t : v_) {
		if (t->is('(') || t->is('[') || t->is('{')) {
			if (++level > max_bracket_depth)
				return refuse("brackets are nested more than " +
					      std::to_string(max_bracket_depth) +
					      " levels deep" + at_line(*t));
		} else if ((t->is(')') || t->is(']') || t->is('}')) &&
			   level > 0) {
			level--;
		}
	}
	return true;
}

bool Checker::statements_are_short()
{
	size_t count = 0;
	for (const Token *t : v_) {
		if (t->is(';') || t->is('{') || t->is('}')) {
			count = 0;
		} else if (++count > max_statement_tokens) {
			return refuse("a statement" + at_line(*t) +
				      " is longer than " +
				      std::to_string(max_statement_tokens) +
				      " tokens");
		}
	}
	return true;
}

// The host's top level: structures, techniques, sampler states, stray
// code segments, and parameters and functions. Every part leaves the
// cursor where the host's parser leaves it, error recovery included, so
// that exactly the function bodies the host reads are checked.
bool Checker::parse_top_level()
{
	c_ = 0;
	while (!at_end()) {
		const size_t before = c_;
		if (cur_is(';') || cur().blank())
			c_++;
		else if (cur_is("struct"))
			parse_struct();
		else if (cur_is("technique"))
			parse_technique();
		else if (cur_is("sampler_state"))
			parse_sampler();
		else if (cur_is('{'))
			pass_braces(); // "unexpected code segment"
		else if (!parse_other())
			return false;
		if (c_ == before)
			c_++;
	}
	return true;
}

// struct NAME { type name [: SEMANTIC]; ... };  A member that is not
// followed by ';' is dropped without an error, and the search for its ';'
// may run past the structure's end.
void Checker::parse_struct()
{
	declarations_++;
	if (next_name(';') != Success)
		return;
	Structure s;
	s.name = cur().text;
	s.at = &cur();
	if (next_should_be('{', ';') != Success)
		return;
	for (;;) {
		Variable m;
		Step step = member_word(&m.type);
		if (step == Step::Word) {
			m.at = &cur();
			step = member_word(&m.name);
		}
		if (step == Step::Word && !next())
			step = Step::Eof;
		if (step == Step::Word && cur_is(':')) {
			step = member_word(&m.mapping);
			if (step == Step::Word && !next())
				step = Step::Eof;
		}
		if (step == Step::Eof)
			return;
		if (step == Step::EndOfStruct)
			break;
		if (step == Step::NextMember)
			continue;
		if (!cur_is(';')) {
			if (!go_to(';', '}'))
				return;
			continue;
		}
		s.members.push_back(m);
	}
	if (next_should_be(';', 0) != Success)
		return;
	structs_.emplace(s.name, s);
}

// The next word of a member, read the way the host reads it: ';' ends
// the member, '}' the structure, and anything else that is not a name is
// skipped to its ';'.
Checker::Step Checker::member_word(std::string_view *word)
{
	if (!next())
		return Step::Eof;
	if (cur_is(';'))
		return Step::NextMember;
	if (cur_is('}'))
		return Step::EndOfStruct;
	const Code code = get_name(';');
	if (code == Eof)
		return Step::Eof;
	if (code == Continue)
		return Step::NextMember;
	*word = cur().text;
	return Step::Word;
}

// technique NAME { pass [NAME] { vertex_shader = f(...); ... } ... }
void Checker::parse_technique()
{
	if (next_name(';') != Success) {
		next();
		return;
	}
	const std::string_view name = cur().text;
	if (!next()) {
		next();
		return;
	}
	if (!cur_is('{')) {
		go_to(';', 0);
		next();
		return;
	}
	if (!next())
		return;
	int pass = 0;
	while (!cur_is('}')) {
		const Code code = parse_pass(name, pass);
		if (code == Eof) {
			next();
			return;
		}
		if (code == Continue) {
			if (!go_to('}', 0)) {
				next();
				return;
			}
			continue;
		}
		pass++;
		if (!next()) {
			next();
			return;
		}
	}
	next();
}

// pass [NAME] { vertex_shader = f(...); pixel_shader = g(...); }
Checker::Code Checker::parse_pass(std::string_view technique, int pass)
{
	if (!cur_is("pass"))
		return Continue;
	if (!next())
		return Eof;
	if (!cur_is('{') && !next())
		return Eof;
	for (;;) {
		const size_t k = peek();
		if (r_[k]->type == TokenType::None)
			return Eof;
		if (r_[k]->is('}'))
			break;
		next();
		const bool vertex = cur_is("vertex_shader") ||
				    cur_is("vertex_program");
		const bool pixel = cur_is("pixel_shader") ||
				   cur_is("pixel_program");
		if (!vertex && !pixel) {
			if (!go_to(';', 0))
				return Eof;
			continue;
		}
		if (next_should_be('=', ';') != Success)
			continue;
		if (!next())
			return Eof;
		if (cur_is("compile") && !next())
			return Eof;
		if (cur_name() && !cur_is("NULL")) {
			ShaderUse use;
			use.function = cur().text;
			use.at = &cur();
			use.role = std::string(vertex ? "vertex" : "pixel") +
				   " shader of pass " + std::to_string(pass) +
				   " of technique " + quoted(technique);
			shaders_.push_back(use);
		}
		while (!cur_is(';') && !cur_is('}'))
			if (!next())
				return Eof;
	}
	next();
	return Success;
}

// sampler_state NAME { State = value; ... };
void Checker::parse_sampler()
{
	declarations_++;
	if (next_name(';') != Success)
		return;
	if (next_should_be('{', ';') != Success)
		return;
	for (;;) {
		const size_t k = peek();
		if (r_[k]->type == TokenType::None)
			return;
		if (r_[k]->is('}')) {
			next();
			break;
		}
		const Code code = next_name(';');
		if (code == Eof)
			return;
		if (code == Continue)
			continue;
		const Code is = next_should_be('=', ';');
		if (is == Eof)
			return;
		if (is == Continue)
			continue;
		do {
			if (!next())
				return;
		} while (!cur_is(';'));
	}
	next_should_be(';', 0);
}

// [property|const|uniform] type name, then a function or a parameter.
bool Checker::parse_other()
{
	while (cur_is("property") || cur_is("const") || cur_is("uniform"))
		if (!next())
			return true;
	if (get_name(';') != Success)
		return true;
	Function f;
	f.type = cur().text;
	if (next_name(';') != Success)
		return true;
	f.name = cur().text;
	f.at = &cur();
	declarations_++;
	if (!next())
		return true;
	if (!cur_is('(')) {
		parse_param();
		return true;
	}
	return parse_function(f);
}

// ( [in|out|inout|uniform] type name [: SEMANTIC], ... ) [: SEMANTIC]
// { body }  The host reads a body from its '{' counting nothing but
// braces, and runs past the end of its tokens when they never balance.
bool Checker::parse_function(Function &f)
{
	if (r_[peek()]->type == TokenType::None)
		return true;
	if (r_[peek()]->is(')')) {
		next();
	} else {
		bool stop = false;
		do {
			if (!cur_is('(') && !cur_is(',') && !f.bad_param)
				f.bad_param = &cur();
			if (!next())
				return true;
			while (cur_is("in") || cur_is("out") || cur_is("inout") ||
			       cur_is("uniform"))
				if (!next())
					return true;
			Variable var;
			var.at = &cur();
			Code code = get_name(')');
			if (code == Success) {
				var.type = cur().text;
				code = next_name(')');
			}
			if (code == Success) {
				var.name = cur().text;
				code = next() ? Success : Eof;
			}
			if (code == Success && cur_is(':')) {
				code = next_name(')');
				if (code == Success) {
					var.mapping = cur().text;
					code = next() ? Success : Eof;
				}
			}
			if (code == Eof)
				return true;
			if (code == Continue) {
				if (!f.bad_param)
					f.bad_param = var.at;
				stop = true;
			} else {
				f.params.push_back(var);
			}
		} while (!stop && !cur_is(')'));
	}
	if (!next())
		return true;
	if (cur_is(':')) {
		const Code code = next_name('{');
		if (code == Eof)
			return true;
		if (code == Success) {
			f.mapping = cur().text;
			if (!next())
				return true;
		}
	}
	// Without its '{' the host reports an error and reads no body.
	if (!cur_is('{'))
		return true;

	const size_t open = c_;
	int braces = 1;
	while (braces > 0) {
		if (r_[c_++]->type == TokenType::None || at_end())
			return refuse("function " + quoted(f.name) + " opened" +
				      at_line(*r_[open]) + " is never closed");
		if (cur_is('{'))
			braces++;
		else if (cur_is('}'))
			braces--;
		else if (cur_name())
			body_names_++;
	}
	c_++;
	f.body_begin = open + 1;
	f.body_end = c_ - 1;
	functions_.emplace(f.name, f);
	return true;
}

// What follows a parameter's name: [N] <annotations> = value ;
void Checker::parse_param()
{
	if (cur_is(';'))
		return;
	if (cur_is('[')) {
		if (!next() || !next() || !cur_is(']') || !next())
			return;
	}
	if (cur_is('<') && !parse_annotations())
		return;
	if (cur_is('='))
		parse_value();
}

// < type name = value; ... >  Each annotation is read like the host reads
// it, so that a broken one leaves the cursor where the host leaves it.
bool Checker::parse_annotations()
{
	for (;;) {
		// The annotation's type, then its name: each a name, or the
		// annotation ends (';'), the list ends ('>') or the text does.
		AnnotationWord word = AnnotationWord::name;
		for (int i = 0; i < 2 && word == AnnotationWord::name; i++)
			word = read_annotation_word();
		if (word == AnnotationWord::failed)
			return false;
		if (word == AnnotationWord::list_end)
			break;
		if (word == AnnotationWord::annotation_end)
			continue;
		if (!next())
			return false;
		if (cur_is(':') || cur_is('>'))
			break;
		if (cur_is('=')) {
			if (!parse_value())
				return false;
		} else if (!cur_is(';') && !go_to(';', 0)) {
			return false;
		}
	}
	return cur_is('>') && next();
}

// The next word of an annotation: a name, or where the annotation (';',
// also after skipping a word that is no name) or the list ('>') ends.
Checker::AnnotationWord Checker::read_annotation_word()
{
	if (!next())
		return AnnotationWord::failed;
	if (cur_is(';'))
		return AnnotationWord::annotation_end;
	if (cur_is('>'))
		return AnnotationWord::list_end;
	if (cur_name())
		return AnnotationWord::name;
	return go_to(';', 0) ? AnnotationWord::annotation_end
			     : AnnotationWord::failed;
}

// = value: a number (with its sign), a string, a name or a { list }.
bool Checker::parse_value()
{
	if (!next())
		return false;
	if (cur_is('{')) {
		while (!cur_is('}'))
			if (!next())
				return false;
	} else {
		if (cur_is('-') && !next())
			return false;
		const TokenType t = cur().type;
		if (t != TokenType::Number && t != TokenType::String &&
		    t != TokenType::Name) {
			go_to(';', 0);
			return false;
		}
	}
	return next();
}

// Every name in a function body is looked up in every declaration.
bool Checker::lookups_are_bounded()
{
	if (declarations_ > max_declarations)
		return refuse("more than " + std::to_string(max_declarations) +
			      " declarations (uniforms, functions, "
			      "structures and sampler states)");
	if (declarations_ * body_names_ > max_lookup_work)
		return refuse("too many declarations used in function bodies (" +
			      std::to_string(declarations_) +
			      " declarations, " + std::to_string(body_names_) +
			      " names in bodies)");
	return true;
}

// The bodies of the shader functions and of every function they call are
// copied into the OpenGL shader text, which the writer preprocesses once
// more: a '#' that a macro leaves there would start a directive.
bool Checker::no_stray_hash()
{
	std::vector<const Function *> todo;
	std::unordered_set<const Function *> seen;
	for (const ShaderUse &use : shaders_) {
		const auto it = functions_.find(use.function);
		if (it != functions_.end() && seen.insert(&it->second).second)
			todo.push_back(&it->second);
	}
	while (!todo.empty()) {
		const Function *f = todo.back();
		todo.pop_back();
		for (size_t b = f->body_begin; b < f->body_end; b++) {
			const Token &t = *r_[b];
			if (t.is('#'))
				return refuse("'#'" + at_line(t) +
					      " is not a directive; it would "
					      "reach the shader compiler's "
					      "preprocessor");
			if (t.type != TokenType::Name)
				continue;
			const auto it = functions_.find(t.text);
			if (it != functions_.end() &&
			    seen.insert(&it->second).second)
				todo.push_back(&it->second);
		}
	}
	return true;
}

bool Checker::check_variable(const Variable &var, const std::string &what,
			     std::vector<const Structure *> &open)
{
	const Structure *s = structure(var.type);
	if (!s) {
		if (var.mapping.empty())
			return refuse(what + at_line(*var.at) +
				      " has no semantic (such as "
				      "': TEXCOORD0')");
		return true;
	}
	for (const Structure *o : open)
		if (o == s)
			return refuse("struct " + quoted(s->name) +
				      at_line(*s->at) + " contains itself");
	open.push_back(s);
	for (const Variable &m : s->members) {
		const std::string member = "member " + quoted(m.name) +
					   " of struct " + quoted(s->name);
		if (m.mapping.empty())
			return refuse(member + at_line(*m.at) +
				      " has no semantic (such as "
				      "': TEXCOORD0')");
		if (!check_variable(m, member, open))
			return false;
	}
	open.pop_back();
	return true;
}

bool Checker::named_outside_passes(std::string_view name) const
{
	size_t uses = 0, named = 0;
	for (const ShaderUse &use : shaders_)
		uses += use.function == name;
	for (const Token *t : v_)
		named += t->is(name);
	return named > uses;
}

// The effect parser hands the OpenGL writer only the parameters of a shader
// function that carry a semantic, or whose structure's first member does;
// the writer crashes when none is left, and maps every member of such a
// structure, and the result, by its semantic.
bool Checker::shaders_are_writable()
{
	for (const ShaderUse &use : shaders_) {
		const auto it = functions_.find(use.function);
		if (it == functions_.end()) {
			// A name found nowhere else: the host fails on it
			// (and leaks while it does). A header it could not
			// read is left to its own, more precise, message.
			if (!named_outside_passes(use.function))
				return refuse("the " + use.role +
					      " names function " +
					      quoted(use.function) +
					      at_line(*use.at) +
					      ", which the effect does not "
					      "define");
			continue;
		}
		const Function &f = it->second;
		const std::string fn = "function " + quoted(f.name) + " (the " +
				       use.role + ")";
		if (f.bad_param)
			return refuse("a parameter of " + fn +
				      at_line(*f.bad_param) +
				      " is not of the form 'type name : "
				      "SEMANTIC'");
		bool any_input = false;
		std::vector<const Structure *> open;
		for (const Variable &p : f.params) {
			const Structure *s = structure(p.type);
			const bool mapped =
				!p.mapping.empty() ||
				(s && !s->members.empty() &&
				 !s->members.front().mapping.empty());
			if (!mapped)
				continue;
			any_input = true;
			if (s && !check_variable(p, "parameter " +
							    quoted(p.name) +
							    " of " + fn,
						 open))
				return false;
		}
		if (!any_input)
			return refuse(fn + at_line(*f.at) +
				      " has no input parameter with a "
				      "semantic (such as 'VertData v_in')");
		if (f.mapping.empty()) {
			const Structure *s = structure(f.type);
			if (!s)
				return refuse(fn + at_line(*f.at) + " returns " +
					      quoted(f.type) +
					      " without a semantic (such as "
					      "': TARGET')");
			Variable result;
			result.type = f.type;
			result.name = f.name;
			result.at = f.at;
			if (!check_variable(result, "result of " + fn, open))
				return false;
		}
	}
	return true;
}

} // namespace

bool check_effect_structure(const std::vector<Token> &tokens,
			    std::string *reason)
{
	Checker checker(tokens, reason);
	return checker.run();
}

} // namespace effect_guard
