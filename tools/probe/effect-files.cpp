#include "effect-files.h"

#include "effect-loader.h"
#include "effect-text.h"
#include "text-file.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace effect_files {

namespace {

const effect_file_access &plain_files()
{
	static const effect_file_access access = {
		read_text_file,
		[](const std::string &path, std::string *absolute) {
			std::error_code ec;
			const fs::path canonical = fs::canonical(path, ec);
			if (ec)
				return false;
			*absolute = canonical.string();
			return true;
		},
		[](const std::string &) {},
	};
	return access;
}

} // namespace

bool load(const std::string &path, std::string *text)
{
	effect_load_result result = load_effect_source(path, plain_files());
	if (result.status != effect_load_status::loaded)
		return false;
	*text = std::move(result.text);
	return true;
}

std::vector<std::string> find(const std::string &dir, const std::string &ext)
{
	std::vector<std::string> found;
	std::error_code ec;
	for (fs::recursive_directory_iterator it(dir, ec), end;
	     !ec && it != end; it.increment(ec)) {
		if (it->is_regular_file(ec) && it->path().extension() == ext)
			found.push_back(it->path().string());
	}
	std::sort(found.begin(), found.end());
	return found;
}

std::string compiled_text(const std::string &user_text, bool body)
{
	std::string text = compose_effect_text(body, user_text);
	adapt_effect_text_for_opengl(text);
	return text;
}

} // namespace effect_files
