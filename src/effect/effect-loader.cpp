#include "effect-loader.h"

#include <algorithm>
#include <vector>

namespace {

const char INCLUDE_DIRECTIVE[] = "#include";

bool is_separator(char c)
{
#ifdef _WIN32
	// The host's absolute paths use backslashes on Windows.
	return c == '/' || c == '\\';
#else
	return c == '/';
#endif
}

// The path up to and including its last separator; empty without one.
std::string directory_of(const std::string &path)
{
	for (size_t i = path.size(); i > 0; i--)
		if (is_separator(path[i - 1]))
			return path.substr(0, i);
	return std::string();
}

bool is_include_line(const std::string &line)
{
	return line.compare(0, sizeof(INCLUDE_DIRECTIVE) - 1,
			    INCLUDE_DIRECTIVE) == 0;
}

// The text between the first and the last double quote; false when the
// line has no such pair.
bool quoted_name(const std::string &line, std::string *name)
{
	const size_t first = line.find('"');
	const size_t last = line.rfind('"');
	if (first == std::string::npos || first == last)
		return false;
	*name = line.substr(first + 1, last - first - 1);
	return true;
}

class Loader {
public:
	explicit Loader(const effect_file_access &access) : access(access) {}

	effect_load_result load_top(const std::string &path)
	{
		effect_load_result result;
		result.status = load(path, canonical(path), &result.text);
		if (result.status != effect_load_status::loaded)
			result.text.clear();
		result.culprit = culprit;
		return result;
	}

private:
	const effect_file_access &access;
	std::vector<std::string> open_files; // files being loaded, outermost first
	std::string culprit;

	bool is_open(const std::string &file) const
	{
		return std::any_of(open_files.begin(), open_files.end(),
				   [&](const std::string &open) {
					   return effect_paths_equal(
						   open, file,
						   access.paths_ignore_case);
				   });
	}

	std::string canonical(const std::string &path) const
	{
		std::string absolute;
		return access.absolute(path, &absolute) ? absolute : path;
	}

	void warn(const std::string &line) const
	{
		if (access.warn)
			access.warn(line);
	}

	effect_load_status stop(effect_load_status status,
				const std::string &file, const std::string &why)
	{
		culprit = file;
		warn("#include stopped: " + file + why);
		return status;
	}

	effect_load_status load(const std::string &path,
				const std::string &identity, std::string *out)
	{
		std::string text;
		if (!access.read(path, &text)) {
			warn("failed to read file: " + path);
			return effect_load_status::unreadable;
		}

		open_files.push_back(identity);
		effect_load_status status = effect_load_status::loaded;
		size_t begin = 0;
		for (;;) {
			const size_t end = text.find('\n', begin);
			const std::string line = text.substr(
				begin, end == std::string::npos ? end
								: end - begin);
			status = append_line(path, line, out);
			if (status != effect_load_status::loaded ||
			    end == std::string::npos)
				break;
			begin = end + 1;
		}
		open_files.pop_back();
		return status;
	}

	effect_load_status append_line(const std::string &path,
				       const std::string &line,
				       std::string *out)
	{
		if (!is_include_line(line)) {
			*out += line;
			*out += '\n';
			return effect_load_status::loaded;
		}

		std::string name;
		if (!quoted_name(line, &name)) {
			warn("ignoring an #include line without a quoted "
			     "file name in " +
			     path);
			*out += '\n';
			return effect_load_status::loaded;
		}

		const std::string included = canonical(directory_of(path) + name);
		if (is_open(included))
			return stop(effect_load_status::include_loop, included,
				    " includes itself");
		if (open_files.size() >= MAX_INCLUDE_DEPTH)
			return stop(effect_load_status::too_deep, included,
				    " lies more than " +
					    std::to_string(MAX_INCLUDE_DEPTH) +
					    " includes deep");

		std::string text;
		effect_load_status status = load(included, included, &text);
		if (status == effect_load_status::include_loop ||
		    status == effect_load_status::too_deep)
			return status;
		*out += text;
		*out += '\n';
		return effect_load_status::loaded;
	}
};

} // namespace

bool effect_paths_equal(const std::string &a, const std::string &b,
			bool ignore_case)
{
	if (!ignore_case)
		return a == b;
	auto fold = [](char c) {
		if (c == '\\')
			return '/';
		return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
	};
	return a.size() == b.size() &&
	       std::equal(a.begin(), a.end(), b.begin(),
			  [&](char x, char y) { return fold(x) == fold(y); });
}

effect_load_result load_effect_source(const std::string &path,
				      const effect_file_access &access)
{
	return Loader(access).load_top(path);
}
