#include "effect-guard.h"

#include "guard-model.h"

bool effect_text_is_safe(const std::string &text, std::string *reason)
{
	using namespace effect_guard;
	std::string why;
	LexedText lexed;
	std::vector<Token> tokens;
	const bool safe = lex_effect_text(text, &lexed, &why) &&
			  preprocess_effect_tokens(lexed.tokens, &tokens, &why) &&
			  check_effect_structure(tokens, &why);
	if (!safe && reason)
		*reason = why;
	return safe;
}
