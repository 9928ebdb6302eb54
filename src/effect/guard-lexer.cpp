// The host's C-family lexer, modelled closely enough to find the same token
// boundaries, and the places where it reads past the end of its text: a
// line splice at the very end of the text inside a comment or a string.
#include "guard-model.h"

#include <algorithm>

namespace effect_guard {

namespace {

enum class Base { None, Alpha, Digit, Space, Other };

bool is_newline(char ch)
{
	return ch == '\r' || ch == '\n';
}

Base classify(char ch)
{
	if (ch == ' ' || ch == '\t' || is_newline(ch))
		return Base::Space;
	if (ch >= '0' && ch <= '9')
		return Base::Digit;
	if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'))
		return Base::Alpha;
	return Base::Other;
}

class Lexer {
public:
	Lexer(const std::string &text, LexedText *out)
		: s_(text.c_str()),
		  // The host reads a C string: it ends at the first zero byte.
		  end_(std::min(text.size(), text.find('\0'))),
		  out_(out)
	{
		for (size_t i = 0; i < end_; i++)
			if (s_[i] == '\n')
				line_ends_.push_back(i);
		// Token texts point into merged: never let it reallocate.
		out_->merged.clear();
		out_->merged.reserve(end_ + 1);
		out_->tokens.clear();
		out_->tokens.reserve(std::min(end_ / 2 + 16, max_text_tokens + 1));
	}

	bool run(std::string *reason);

private:
	char at(size_t i) const { return i < end_ ? s_[i] : '\0'; }
	int line_of(size_t pos) const
	{
		return int(std::lower_bound(line_ends_.begin(),
					    line_ends_.end(), pos) -
			   line_ends_.begin()) +
		       1;
	}
	// Tokens come in order: their lines are found by walking forward.
	int next_line_of(size_t pos)
	{
		while (line_cursor_ < line_ends_.size() &&
		       line_ends_[line_cursor_] < pos)
			line_cursor_++;
		return int(line_cursor_) + 1;
	}
	size_t newline_size(size_t i) const
	{
		if ((at(i) == '\r' && at(i + 1) == '\n') ||
		    (at(i) == '\n' && at(i + 1) == '\r'))
			return 2;
		return is_newline(at(i)) ? 1 : 0;
	}
	bool is_splice(size_t i) const
	{
		return at(i) == '\\' && is_newline(at(i + 1));
	}
	void pass_splices(size_t &i)
	{
		while (is_splice(i)) {
			last_splice_ = i;
			i += 1 + newline_size(i + 1);
		}
	}
	bool is_comment(size_t i)
	{
		if (at(i) != '/')
			return false;
		size_t j = i + 1;
		pass_splices(j);
		return at(j) == '*' || at(j) == '/';
	}
	bool comment(size_t start, std::string *reason);
	bool string(size_t start, std::string *reason);
	bool token(std::string *reason, bool *got);
	void emit(TokenType type, size_t merged_start, size_t pos)
	{
		Token t;
		t.type = type;
		t.text = std::string_view(out_->merged.data() + merged_start,
					  out_->merged.size() - merged_start);
		t.line = next_line_of(pos);
		std::vector<Token> &tokens = out_->tokens;
		// The host lumps neighbouring blanks into one token.
		if (type == TokenType::SpaceTab && !tokens.empty() &&
		    tokens.back().type == TokenType::SpaceTab &&
		    tokens.back().text.data() + tokens.back().text.size() ==
			    t.text.data()) {
			tokens.back().text = std::string_view(
				tokens.back().text.data(),
				tokens.back().text.size() + t.text.size());
			return;
		}
		tokens.push_back(t);
	}
	bool read_past_end(const char *where, std::string *reason) const
	{
		*reason = "a line splice ('\\' at the end of line " +
			  std::to_string(line_of(last_splice_)) +
			  ") at the very end of the text inside " + where +
			  " makes the compiler read past the end of the text";
		return false;
	}

	const char *s_;
	size_t end_;
	LexedText *out_;
	std::vector<size_t> line_ends_;
	size_t pos_ = 0;
	size_t last_splice_ = 0;
	size_t line_cursor_ = 0;
};

// A comment becomes one blank. The host's loops step over the character
// after every splice without looking at it, and step past the end of the
// text when a splice ends it.
bool Lexer::comment(size_t start, std::string *reason)
{
	size_t o = start + 1;
	pass_splices(o);
	if (at(o) == '/') {
		for (;;) {
			if (++o > end_)
				return read_past_end("a comment", reason);
			if (!at(o) || is_newline(at(o)))
				break;
			pass_splices(o);
		}
	} else {
		bool was_star = false, closed = false;
		for (;;) {
			if (++o > end_)
				return read_past_end("a comment", reason);
			if (!at(o))
				break;
			pass_splices(o);
			if (was_star && at(o) == '/') {
				o++;
				closed = true;
				break;
			}
			was_star = at(o) == '*';
		}
		if (!closed) {
			*reason = "comment opened at line " +
				  std::to_string(line_of(start)) +
				  " is never closed";
			return false;
		}
	}
	const size_t merged_start = out_->merged.size();
	out_->merged.push_back(' ');
	emit(TokenType::SpaceTab, merged_start, start);
	pos_ = o;
	return true;
}

// A string runs to its unescaped quote or to the end of its line.
bool Lexer::string(size_t start, std::string *reason)
{
	const char quote = at(start);
	const size_t merged_start = out_->merged.size();
	out_->merged.push_back(quote);
	size_t o = start + 1;
	bool escaped = false;
	while (at(o)) {
		pass_splices(o);
		if (at(o) == quote && !escaped) {
			out_->merged.push_back(quote);
			o++;
			break;
		}
		if (at(o) != quote && is_newline(at(o)))
			break;
		if (o >= end_)
			return read_past_end("a string", reason);
		out_->merged.push_back(at(o));
		escaped = at(o) == '\\';
		o++;
	}
	emit(TokenType::String, merged_start, start);
	pos_ = o;
	return true;
}

bool Lexer::token(std::string *reason, bool *got)
{
	*got = false;
	Base start_type = Base::None;
	size_t start_pos = 0, merged_start = out_->merged.size();
	bool start_newline = false;
	while (pos_ < end_) {
		const size_t b = pos_;
		const char ch = s_[b];
		if (is_splice(b)) {
			last_splice_ = b;
			pos_ = b + 1 + newline_size(b + 1);
			continue;
		}
		// One base token: a run of letters or of digits, a newline
		// (a CR-LF pair counts as one) or any other single character.
		Base type = classify(ch);
		size_t e = b + 1;
		if (type == Base::Alpha || type == Base::Digit) {
			while (e < end_ && classify(s_[e]) == type)
				e++;
		} else if (ch == ' ' || ch == '\t') {
			// Blanks lump together anyway: take the run at once.
			while (e < end_ && (s_[e] == ' ' || s_[e] == '\t'))
				e++;
		} else if (is_newline(ch) && newline_size(b) == 2) {
			e++;
		}
		if (ch == '_')
			type = Base::Alpha;

		if (start_type == Base::None) {
			if (is_comment(b)) {
				*got = true;
				return comment(b, reason);
			}
			if (ch == '"' || ch == '\'') {
				*got = true;
				return string(b, reason);
			}
			start_type = type;
			start_pos = b;
			start_newline = is_newline(ch);
		} else {
			bool brk = false;
			switch (start_type) {
			case Base::Alpha:
				brk = type == Base::Other || type == Base::Space;
				break;
			case Base::Digit:
				brk = type == Base::Space ||
				      (type == Base::Other && ch != '.');
				break;
			case Base::Space:
				brk = start_newline || is_newline(ch) ||
				      type != Base::Space;
				break;
			case Base::Other:
				if (out_->merged.size() - merged_start == 1 &&
				    out_->merged[merged_start] == '.' &&
				    type == Base::Digit) {
					start_type = Base::Digit;
					break;
				}
				brk = true;
				break;
			case Base::None:
				break;
			}
			if (brk)
				break;
		}
		out_->merged.append(s_ + b, e - b);
		pos_ = e;
	}
	if (start_type == Base::None)
		return true;
	TokenType t = TokenType::Other;
	if (start_type == Base::Alpha)
		t = TokenType::Name;
	else if (start_type == Base::Digit)
		t = TokenType::Number;
	else if (start_type == Base::Space)
		t = start_newline ? TokenType::Newline : TokenType::SpaceTab;
	emit(t, merged_start, start_pos);
	*got = true;
	return true;
}

bool Lexer::run(std::string *reason)
{
	for (;;) {
		bool got = false;
		if (!token(reason, &got))
			return false;
		if (!got)
			break;
		if (out_->tokens.size() > max_text_tokens) {
			*reason = "the text has more than " +
				  std::to_string(max_text_tokens) +
				  " tokens (line " +
				  std::to_string(out_->tokens.back().line) + ")";
			return false;
		}
	}
	Token end;
	end.line = line_of(end_);
	out_->tokens.push_back(end);
	return true;
}

} // namespace

bool lex_effect_text(const std::string &text, LexedText *out,
		     std::string *reason)
{
	Lexer lexer(text, out);
	return lexer.run(reason);
}

} // namespace effect_guard
