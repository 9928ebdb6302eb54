// The host's preprocessor, modelled closely enough to know which tokens its
// effect parser sees and where it crashes or hangs instead: #include
// reaching the host at all, macros expanding into themselves, a
// function-like macro without its argument list, runaway nesting and
// expansion.
#include "guard-model.h"

#include <unordered_map>

namespace effect_guard {

namespace {

using Tokens = std::vector<Token>;

struct Definition {
	std::string_view name;
	int line = 0;
	bool function_like = false;
	std::vector<std::string_view> params;
	Tokens body;
};

// Where the tokens being expanded come from: the text itself, a macro's
// body or a macro argument. A stream has an end of its own: the host reads
// a macro call's argument list from the same stream as the macro's name.
struct Stream {
	const Token *begin;
	const Token *end;
	// The macros whose bodies these tokens come from (the host expands
	// a macro again inside its own body, forever).
	std::vector<const Definition *> inside;
	// The parameters visible here: name -> argument.
	const std::unordered_map<std::string_view, struct Argument> *params;
};

struct Argument {
	Tokens tokens;
	std::vector<const Definition *> inside;
	const std::unordered_map<std::string_view, Argument> *params;
};

std::string at_line(int line)
{
	return " at line " + std::to_string(line);
}

class Preprocessor {
public:
	Preprocessor(const Tokens &tokens, Tokens *out, std::string *reason)
		: src_(tokens), out_(out), reason_(reason)
	{
	}

	bool run();

private:
	enum class Stop { End, Else, Endif, Refused };

	const Token &cur() const { return src_[i_]; }
	bool at_end() const { return cur().type == TokenType::None; }
	void skip_blanks_on_line()
	{
		while (cur().type == TokenType::SpaceTab)
			i_++;
	}
	void go_to_newline()
	{
		while (!at_end() && cur().type != TokenType::Newline)
			i_++;
	}
	bool refuse(const std::string &why)
	{
		*reason_ = why;
		return false;
	}

	Stop block(bool if_block, int depth, int opened_line);
	bool directive(bool if_block, int depth, Stop *stop);
	bool define();
	bool conditional(bool negate, int depth);

	bool add(const Token &token, const Token &base, Stream &stream,
		 const Token *&next, int depth);
	bool add_all(Stream &stream, const Token &base, int depth);
	bool expand(const Definition &def, const Token &name,
		    const Token &base, Stream &stream, const Token *&next,
		    int depth);
	// One token looked at while macros expand or their arguments are
	// gathered.
	bool step(const Token &base)
	{
		if (++work_ <= max_expansion_work)
			return true;
		return refuse("macro expansion takes more than " +
			      std::to_string(max_expansion_work) +
			      " steps (from line " + std::to_string(base.line) +
			      ")");
	}
	bool push(const Token &token, const Token &base)
	{
		if (++produced_ > max_expanded_tokens)
			return refuse("the text has more than " +
				      std::to_string(max_expanded_tokens) +
				      " tokens after macro expansion (line " +
				      std::to_string(base.line) + ")");
		Token t = token;
		if (&token != &base) {
			t.line = base.line;
			t.macro = base.text;
		}
		out_->push_back(t);
		return true;
	}

	const Tokens &src_;
	Tokens *out_;
	std::string *reason_;
	size_t i_ = 0;
	bool ignore_ = false;
	size_t produced_ = 0;
	size_t work_ = 0;
	size_t definitions_ = 0;
	std::unordered_map<std::string_view, Definition> defs_;
};

bool Preprocessor::run()
{
	out_->clear();
	out_->reserve(src_.size() + 1);
	// The host defines the name of its graphics back end. The matting
	// filter puts "#define OPENGL 1" in front of every text it compiles
	// with the OpenGL back end.
	const bool opengl = src_.size() > 3 && src_[0].is('#') &&
			    src_[1].is("define") && src_[3].is("OPENGL");
	Definition backend;
	backend.name = opengl ? "_OPENGL" : "_D3D11";
	defs_[backend.name] = backend;
	const Stop stop = block(false, 0, 0);
	if (stop == Stop::Refused)
		return false;
	Token end;
	end.line = cur().line;
	out_->push_back(end);
	return true;
}

// One run of lines: the whole text, or the inside of a conditional block
// up to its #else or #endif.
Preprocessor::Stop Preprocessor::block(bool if_block, int depth,
				       int opened_line)
{
	bool newline = true;
	bool directive_line = if_block;
	static const std::unordered_map<std::string_view, Argument> no_params;
	while (!at_end()) {
		const Token &t = cur();
		if (!t.blank()) {
			if (directive_line) {
				// The host reports "expected newline" and
				// skips the rest of the line.
				go_to_newline();
				continue;
			}
			if (newline && t.is('#')) {
				i_++;
				skip_blanks_on_line();
				directive_line = true;
				Stop stop = Stop::End;
				if (!directive(if_block, depth, &stop))
					return Stop::Refused;
				if (stop != Stop::End)
					return stop;
				continue;
			}
			newline = false;
		}
		if (t.type == TokenType::Newline) {
			newline = true;
			directive_line = false;
		}
		i_++;
		if (ignore_)
			continue;
		Stream stream{&t, src_.data() + src_.size(), {}, &no_params};
		const Token *next = &t + 1;
		if (!add(t, t, stream, next, 0))
			return Stop::Refused;
		// A function-like macro's arguments come from the text that
		// follows it.
		if (next > &t + 1)
			i_ = size_t(next - src_.data());
	}
	if (if_block) {
		refuse("#ifdef/#ifndef" + at_line(opened_line) +
		       " is never closed by #endif");
		return Stop::Refused;
	}
	return Stop::End;
}

bool Preprocessor::directive(bool if_block, int depth, Stop *stop)
{
	const Token &name = cur();
	const int line = name.line;
	if (name.is("include")) {
		if (!ignore_)
			return refuse(
				"#include" + at_line(line) +
				" would reach the compiler's own preprocessor; "
				"only lines that begin with #include are "
				"inlined from effect files");
		go_to_newline();
	} else if (name.is("define")) {
		if (ignore_) {
			go_to_newline();
			return true;
		}
		return define();
	} else if (name.is("undef")) {
		if (!ignore_) {
			i_++;
			skip_blanks_on_line();
			if (cur().type == TokenType::Name)
				defs_.erase(cur().text);
		}
		go_to_newline();
	} else if (name.is("ifdef") || name.is("ifndef")) {
		return conditional(name.is("ifndef"), depth);
	} else if (name.is("else") || name.is("endif")) {
		if (!if_block)
			return refuse("#" + std::string(name.text) +
				      at_line(line) +
				      " has no #ifdef or #ifndef before it");
		*stop = name.is("else") ? Stop::Else : Stop::Endif;
		i_++;
	} else if (!name.blank() && !at_end()) {
		// Directives the host does not know: the name is skipped.
		i_++;
	}
	return true;
}

bool Preprocessor::define()
{
	const int line = cur().line;
	i_++;
	skip_blanks_on_line();
	if (cur().type != TokenType::Name) {
		go_to_newline();
		return refuse("#define" + at_line(line) + " has no macro name");
	}
	Definition def;
	def.name = cur().text;
	def.line = line;
	i_++;
	skip_blanks_on_line();
	if (cur().is('(')) {
		// In this host a blank may stand between the name and "(".
		def.function_like = true;
		for (;;) {
			i_++;
			skip_blanks_on_line();
			if (cur().type != TokenType::Name)
				return refuse("#define '" +
					      std::string(def.name) + "'" +
					      at_line(line) +
					      " has a malformed parameter list");
			def.params.push_back(cur().text);
			i_++;
			skip_blanks_on_line();
			if (cur().is(')'))
				break;
			if (!cur().is(','))
				return refuse("#define '" +
					      std::string(def.name) + "'" +
					      at_line(line) +
					      " has a malformed parameter list");
		}
		i_++;
	}
	while (!at_end() && cur().type != TokenType::Newline)
		def.body.push_back(src_[i_++]);
	if (++definitions_ > max_definitions)
		return refuse("more than " + std::to_string(max_definitions) +
			      " #define lines (line " + std::to_string(line) +
			      ")");
	const std::string_view key = def.name;
	defs_[key] = std::move(def);
	return true;
}

bool Preprocessor::conditional(bool negate, int depth)
{
	const int line = cur().line;
	const char *word = negate ? "#ifndef" : "#ifdef";
	i_++;
	skip_blanks_on_line();
	if (cur().type != TokenType::Name)
		return refuse(std::string(word) + at_line(line) +
			      " has no macro name");
	if (depth + 1 > max_conditional_depth)
		return refuse(std::string(word) + at_line(line) +
			      " is nested more than " +
			      std::to_string(max_conditional_depth) +
			      " levels deep");
	const bool defined = defs_.count(cur().text) != 0;
	const bool taken = defined != negate;
	i_++;
	const bool outer_ignore = ignore_;
	ignore_ = outer_ignore || !taken;
	Stop stop = block(true, depth + 1, line);
	if (stop == Stop::Else) {
		ignore_ = outer_ignore || taken;
		const int else_line = src_[i_ - 1].line;
		stop = block(true, depth + 1, line);
		if (stop == Stop::Else)
			return refuse("second #else" + at_line(else_line) +
				      " in the #ifdef/#ifndef opened" +
				      at_line(line));
	}
	ignore_ = outer_ignore;
	return stop != Stop::Refused;
}

// Adds one token to the output, expanding it when it names a macro or a
// parameter of the macro being expanded. next is where the stream goes on.
bool Preprocessor::add(const Token &token, const Token &base, Stream &stream,
		       const Token *&next, int depth)
{
	if (!step(base))
		return false;
	if (token.type != TokenType::Name)
		return push(token, base);
	const auto param = stream.params->find(token.text);
	if (param != stream.params->end()) {
		if (depth + 1 > max_expansion_depth)
			return refuse("macro arguments are nested more than " +
				      std::to_string(max_expansion_depth) +
				      " levels deep (line " +
				      std::to_string(base.line) + ")");
		const Argument &arg = param->second;
		Stream inner{arg.tokens.data(),
			     arg.tokens.data() + arg.tokens.size(), arg.inside,
			     arg.params};
		return add_all(inner, base, depth + 1);
	}
	const auto def = defs_.find(token.text);
	if (def == defs_.end())
		return push(token, base);
	return expand(def->second, token, base, stream, next, depth);
}

bool Preprocessor::expand(const Definition &def, const Token &name,
			  const Token &base, Stream &stream, const Token *&next,
			  int depth)
{
	const std::string quoted = "macro '" + std::string(def.name) + "'";
	for (const Definition *open : stream.inside)
		if (open == &def)
			return refuse(quoted + " expands into itself (defined" +
				      at_line(def.line) + ", used" +
				      at_line(base.line) + ")");
	if (depth + 1 > max_expansion_depth)
		return refuse("macros expand inside each other more than " +
			      std::to_string(max_expansion_depth) +
			      " levels deep (line " +
			      std::to_string(base.line) + ")");

	std::unordered_map<std::string_view, Argument> args;
	if (def.function_like) {
		const Token *t = &name + 1;
		const std::string where =
			stream.inside.empty()
				? std::string("the text")
				: "macro '" +
					  std::string(stream.inside.back()->name) +
					  "'";
		if (t >= stream.end || t->type == TokenType::None)
			return refuse("function-like " + quoted +
				      " is the last token of " + where +
				      " (line " + std::to_string(base.line) +
				      ")");
		if (!t->is('('))
			return refuse("function-like " + quoted + " used" +
				      at_line(base.line) +
				      " without '(' right after its name");
		std::vector<Tokens> values(1);
		int level = 0;
		for (t++;; t++) {
			if (!step(base))
				return false;
			if (t >= stream.end || t->type == TokenType::None)
				return refuse("argument list of " + quoted +
					      " opened" + at_line(base.line) +
					      " is never closed in " + where);
			if (t->is('(')) {
				level++;
			} else if (t->is(')')) {
				if (level == 0)
					break;
				level--;
			} else if (level == 0 && t->is(',')) {
				values.emplace_back();
				continue;
			}
			values.back().push_back(*t);
		}
		next = t + 1;
		if (values.size() != def.params.size())
			return refuse(quoted + " takes " +
				      std::to_string(def.params.size()) +
				      " arguments but gets " +
				      std::to_string(values.size()) +
				      at_line(base.line));
		for (size_t k = 0; k < values.size(); k++)
			args[def.params[k]] = Argument{std::move(values[k]),
						       stream.inside,
						       stream.params};
	}
	Stream body{def.body.data(), def.body.data() + def.body.size(),
		    stream.inside, &args};
	body.inside.push_back(&def);
	return add_all(body, base, depth + 1);
}

// Adds every token of a macro's body or argument.
bool Preprocessor::add_all(Stream &stream, const Token &base, int depth)
{
	for (const Token *t = stream.begin; t < stream.end;) {
		const Token *after = t + 1;
		if (!add(*t, base, stream, after, depth))
			return false;
		t = after;
	}
	return true;
}

} // namespace

bool preprocess_effect_tokens(const std::vector<Token> &tokens,
			      std::vector<Token> *out, std::string *reason)
{
	Preprocessor pre(tokens, out, reason);
	return pre.run();
}

} // namespace effect_guard
