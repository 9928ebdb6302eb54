// The parts of the host's effect parser and OpenGL shader writer that crash
// or hang on malformed effects, checked on the preprocessed tokens: braces
// left open (the parser reads past its token array), runaway nesting,
// statements and declarations, and the inputs and outputs of the functions
// that a technique's passes use as shaders (the writer dereferences a
// missing semantic and recurses into a structure that contains itself).
#include "effect-guard-model.h"

#include <unordered_map>
#include <unordered_set>

namespace effect_guard {

namespace {

using Tokens = std::vector<const Token *>;

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
	const Token *unterminated = nullptr; // last member without ';'
};

struct Function {
	std::string_view name, type, mapping;
	const Token *at = nullptr;
	std::vector<Variable> params;
	const Token *bad_param = nullptr; // a parameter not "type name : X"
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
		for (const Token &t : tokens)
			if (!t.blank() && t.type != TokenType::None)
				v_.push_back(&t);
	}

	bool run()
	{
		return no_stray_hash() && brackets_close() &&
		       statements_are_short() && parse_top_level() &&
		       lookups_are_bounded() && shaders_are_writable();
	}

private:
	bool refuse(const std::string &why)
	{
		*reason_ = why;
		return false;
	}
	const Token &at(size_t i) const { return *v_[i]; }
	bool is(size_t i, char ch) const { return i < v_.size() && at(i).is(ch); }
	bool is_name(size_t i) const
	{
		return i < v_.size() && at(i).type == TokenType::Name;
	}
	size_t matching(size_t open) const { return match_.at(open); }

	bool no_stray_hash();
	bool brackets_close();
	std::string opened_by(size_t open) const;
	bool statements_are_short();
	bool parse_top_level();
	size_t parse_struct(size_t i);
	size_t parse_technique(size_t i);
	size_t parse_other(size_t i);
	size_t skip_statement(size_t i) const;
	bool lookups_are_bounded();
	bool shaders_are_writable();
	bool check_variable(const Variable &var, const std::string &what,
			    std::vector<const Structure *> &open);
	const Structure *structure(std::string_view name) const
	{
		const auto it = structs_.find(name);
		return it == structs_.end() ? nullptr : &it->second;
	}

	std::string *reason_;
	Tokens v_;
	std::unordered_map<size_t, size_t> match_; // bracket -> its partner
	std::unordered_map<std::string_view, Structure> structs_;
	std::unordered_map<std::string_view, Function> functions_;
	std::vector<ShaderUse> shaders_;
	size_t declarations_ = 0;
	size_t body_names_ = 0;
};

// A '#' left after preprocessing reaches the OpenGL writer's own
// preprocessor (a macro can produce "#include" that way).
bool Checker::no_stray_hash()
{
	for (const Token *t : v_)
		if (t->is('#'))
			return refuse("'#'" + at_line(*t) +
				      " does not start a directive; the "
				      "shader compiler's preprocessor would "
				      "read it");
	return true;
}

std::string Checker::opened_by(size_t open) const
{
	// "type name(params) [: SEMANTIC] {" opens a function body.
	if (!at(open).is('{'))
		return quoted(at(open).text) + " opened" + at_line(at(open));
	size_t j = open;
	if (j >= 2 && is_name(j - 1) && at(j - 2).is(':'))
		j -= 2;
	if (j >= 1 && at(j - 1).is(')')) {
		int level = 0;
		for (size_t k = j - 1; k-- > 0;) {
			if (at(k).is(')'))
				level++;
			else if (at(k).is('(') && level-- == 0) {
				if (k >= 1 && is_name(k - 1))
					return "function " +
					       quoted(at(k - 1).text) +
					       " opened" + at_line(at(open));
				break;
			}
		}
	}
	return "'{' opened" + at_line(at(open));
}

bool Checker::brackets_close()
{
	std::vector<size_t> open;
	for (size_t i = 0; i < v_.size(); i++) {
		const Token &t = at(i);
		if (t.is('(') || t.is('[') || t.is('{')) {
			open.push_back(i);
			if (open.size() > size_t(max_bracket_depth))
				return refuse("brackets are nested more than " +
					      std::to_string(max_bracket_depth) +
					      " levels deep" + at_line(t));
		} else if (t.is(')') || t.is(']') || t.is('}')) {
			const char want = t.is(')') ? '(' : t.is(']') ? '[' : '{';
			if (open.empty())
				return refuse(quoted(t.text) + at_line(t) +
					      " closes nothing");
			if (!at(open.back()).is(want))
				return refuse(opened_by(open.back()) +
					      " is closed by " + quoted(t.text) +
					      at_line(t));
			match_[open.back()] = i;
			open.pop_back();
		}
	}
	if (!open.empty())
		return refuse(opened_by(open.back()) + " is never closed");
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

// Skips to just past the next ';' outside brackets (the host's error
// recovery passes brace pairs the same way).
size_t Checker::skip_statement(size_t i) const
{
	while (i < v_.size() && !at(i).is(';')) {
		if (at(i).is('(') || at(i).is('[') || at(i).is('{'))
			i = matching(i);
		i++;
	}
	return i + 1;
}

bool Checker::parse_top_level()
{
	size_t i = 0;
	while (i < v_.size()) {
		const Token &t = at(i);
		if (t.is(';'))
			i++;
		else if (t.is("struct"))
			i = parse_struct(i);
		else if (t.is("technique"))
			i = parse_technique(i);
		else if (t.is("sampler_state")) {
			declarations_++;
			i = skip_statement(i);
		} else if (t.is('{'))
			i = matching(i) + 1;
		else
			i = parse_other(i);
	}
	return true;
}

// struct NAME { type name [: SEMANTIC]; ... };  A member that is not
// followed by ';' is dropped by the host without an error.
size_t Checker::parse_struct(size_t i)
{
	declarations_++;
	if (!is_name(i + 1) || !is(i + 2, '{'))
		return skip_statement(i + 1);
	Structure s;
	s.name = at(i + 1).text;
	s.at = &at(i + 1);
	const size_t close = matching(i + 2);
	size_t start = i + 3;
	for (size_t k = start; k < close; k++) {
		if (at(k).is('(') || at(k).is('[') || at(k).is('{')) {
			k = matching(k);
			continue;
		}
		if (!at(k).is(';'))
			continue;
		const size_t n = k - start;
		if ((n == 2 || n == 4) && is_name(start) && is_name(start + 1) &&
		    (n == 2 || (at(start + 2).is(':') && is_name(start + 3)))) {
			Variable m;
			m.type = at(start).text;
			m.name = at(start + 1).text;
			m.at = &at(start);
			if (n == 4)
				m.mapping = at(start + 3).text;
			s.members.push_back(m);
		}
		start = k + 1;
	}
	if (start < close)
		s.unterminated = &at(start);
	structs_.emplace(s.name, s);
	return close + 1;
}

// technique NAME { pass [NAME] { vertex_shader = f(...); ... } ... }
size_t Checker::parse_technique(size_t i)
{
	size_t k = i + 1;
	const std::string_view name = is_name(k) ? at(k).text : "";
	while (k < v_.size() && !at(k).is('{') && !at(k).is(';'))
		k++;
	if (!is(k, '{'))
		return k + 1;
	const size_t close = matching(k);
	int pass = 0;
	for (size_t p = k + 1; p < close; p++) {
		if (!at(p).is('{'))
			continue;
		const size_t pass_close = matching(p);
		for (size_t s = p + 1; s + 2 < pass_close; s++) {
			const bool vertex = at(s).is("vertex_shader");
			if ((!vertex && !at(s).is("pixel_shader")) ||
			    !at(s + 1).is('=') || !is_name(s + 2) ||
			    at(s + 2).is("NULL"))
				continue;
			ShaderUse use;
			use.function = at(s + 2).text;
			use.at = &at(s + 2);
			use.role = std::string(vertex ? "vertex" : "pixel") +
				   " shader of pass " + std::to_string(pass) +
				   " of technique " + quoted(name);
			shaders_.push_back(use);
		}
		pass++;
		p = pass_close;
	}
	return close + 1;
}

// Parameters and functions: [uniform|const|property] type name ...
size_t Checker::parse_other(size_t i)
{
	size_t k = i;
	while (k < v_.size() && (at(k).is("uniform") || at(k).is("const") ||
				 at(k).is("property") || at(k).is("static")))
		k++;
	if (!is_name(k) || !is_name(k + 1))
		return skip_statement(k);
	declarations_++;
	if (!is(k + 2, '('))
		return skip_statement(k + 2);

	Function f;
	f.type = at(k).text;
	f.name = at(k + 1).text;
	f.at = &at(k + 1);
	const size_t close = matching(k + 2);
	size_t start = k + 3;
	for (size_t p = start; p <= close && close > k + 3; p++) {
		if (p < close && (at(p).is('(') || at(p).is('[') ||
				  at(p).is('{'))) {
			p = matching(p);
			continue;
		}
		if (p < close && !at(p).is(','))
			continue;
		// One parameter: [in|out|inout|uniform] type name [: SEMANTIC]
		Variable var;
		size_t q = start;
		while (q < p && (at(q).is("in") || at(q).is("out") ||
				 at(q).is("inout") || at(q).is("uniform")))
			q++;
		const size_t n = p - q;
		if ((n == 2 || n == 4) && is_name(q) && is_name(q + 1) &&
		    (n == 2 || (at(q + 2).is(':') && is_name(q + 3)))) {
			var.type = at(q).text;
			var.name = at(q + 1).text;
			var.at = &at(q);
			if (n == 4)
				var.mapping = at(q + 3).text;
			f.params.push_back(var);
		} else if (!f.bad_param) {
			f.bad_param = &at(start < close ? start : close);
		}
		start = p + 1;
	}
	size_t body = close + 1;
	if (is(body, ':') && is_name(body + 1)) {
		f.mapping = at(body + 1).text;
		body += 2;
	}
	if (!is(body, '{'))
		return skip_statement(body);
	const size_t end = matching(body);
	for (size_t b = body + 1; b < end; b++)
		if (at(b).type == TokenType::Name)
			body_names_++;
	functions_.emplace(f.name, f);
	return end + 1;
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
	if (s->unterminated)
		return refuse("member of struct " + quoted(s->name) +
			      at_line(*s->unterminated) +
			      " is not followed by ';'");
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

// The effect parser hands the OpenGL writer only the parameters of a shader
// function that carry a semantic, or whose structure's first member does;
// the writer crashes when none is left, and maps every member of such a
// structure, and the result, by its semantic.
bool Checker::shaders_are_writable()
{
	for (const ShaderUse &use : shaders_) {
		const auto it = functions_.find(use.function);
		if (it == functions_.end())
			continue;
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
