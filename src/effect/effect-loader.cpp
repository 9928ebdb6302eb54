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

// The loaded text and where its lines came from.
struct Output {
	std::string text;
	effect_source_map sources;

	uint32_t file_index(const std::string &file)
	{
		for (size_t i = 0; i < sources.files.size(); i++)
			if (sources.files[i] == file)
				return uint32_t(i);
		sources.files.push_back(file);
		return uint32_t(sources.files.size() - 1);
	}

	// Appends line (line number file_line of file) and a line feed.
	void append(const std::string &line, uint32_t file, size_t file_line)
	{
		const size_t line_number = ++sources.line_count;
		const auto &runs = sources.runs;
		const bool continues =
			!runs.empty() && runs.back().file == file &&
			runs.back().first_file_line + (line_number -
						       runs.back().first_line) ==
				file_line;
		if (!continues)
			sources.runs.push_back({line_number, file, file_line});
		text += line;
		text += '\n';
	}
};

class Loader {
public:
	explicit Loader(const effect_file_access &access) : access(access) {}

	effect_load_result load_top(const std::string &path)
	{
		effect_load_result result;
		Output out;
		result.status = load(path, canonical(path), &out);
		if (result.status == effect_load_status::loaded) {
			result.text = std::move(out.text);
			result.sources = std::move(out.sources);
		}
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

	// Stops the load at file; why follows its name in the warning.
	effect_load_status stop(effect_load_status status,
				const std::string &file, const std::string &why)
	{
		culprit = file;
		warn(file + why);
		return status;
	}

	effect_load_status stop_include(effect_load_status status,
					const std::string &file,
					const std::string &why)
	{
		warn("#include stopped: " + file + why);
		culprit = file;
		return status;
	}

	// Reads path into *text; a status other than loaded when it cannot.
	effect_load_status read(const std::string &path, std::string *text)
	{
		const effect_read_status read =
			access.read(path, EFFECT_TEXT_MAX_BYTES, text);
		if (read != effect_read_status::read)
			warn("failed to read file: " + path);
		switch (read) {
		case effect_read_status::read:
			break;
		case effect_read_status::unreadable:
			return effect_load_status::unreadable;
		case effect_read_status::not_a_file:
			return stop(effect_load_status::not_a_file, path,
				    " is not a file");
		case effect_read_status::too_large:
			return stop(effect_load_status::too_large, path,
				    " is larger than " +
					    std::to_string(EFFECT_TEXT_MAX_BYTES >>
							   20) +
					    " MB");
		}
		if (text->find('\0') != std::string::npos)
			return stop(effect_load_status::has_nul, path,
				    " holds a NUL byte: not a text file");
		return effect_load_status::loaded;
	}

	effect_load_status load(const std::string &path,
				const std::string &identity, Output *out)
	{
		std::string text;
		const effect_load_status read_status = read(path, &text);
		if (read_status != effect_load_status::loaded)
			return read_status;

		open_files.push_back(identity);
		const uint32_t file = out->file_index(path);
		effect_load_status status = effect_load_status::loaded;
		size_t begin = 0;
		for (size_t line_number = 1;; line_number++) {
			const size_t end = text.find('\n', begin);
			const std::string line = text.substr(
				begin, end == std::string::npos ? end
								: end - begin);
			status = append_line(path, file, line_number, line, out);
			if (status != effect_load_status::loaded ||
			    end == std::string::npos)
				break;
			begin = end + 1;
		}
		open_files.pop_back();
		if (status == effect_load_status::loaded &&
		    out->text.size() > EFFECT_TEXT_MAX_BYTES)
			return stop(effect_load_status::text_too_large, path,
				    ": the text with its includes is larger "
				    "than " +
					    std::to_string(EFFECT_TEXT_MAX_BYTES >>
							   20) +
					    " MB");
		return status;
	}

	effect_load_status append_line(const std::string &path, uint32_t file,
				       size_t line_number,
				       const std::string &line, Output *out)
	{
		if (!is_include_line(line)) {
			out->append(line, file, line_number);
			return effect_load_status::loaded;
		}

		std::string name;
		if (!quoted_name(line, &name)) {
			warn("ignoring an #include line without a quoted "
			     "file name in " +
			     path);
			out->append("", file, line_number);
			return effect_load_status::loaded;
		}

		const std::string included = canonical(directory_of(path) + name);
		if (is_open(included))
			return stop_include(effect_load_status::include_loop,
					    included, " includes itself");
		if (open_files.size() >= MAX_INCLUDE_DEPTH)
			return stop_include(effect_load_status::too_deep, included,
				    " lies more than " +
					    std::to_string(MAX_INCLUDE_DEPTH) +
					    " includes deep");

		const effect_load_status status = load(included, included, out);
		if (status != effect_load_status::loaded &&
		    status != effect_load_status::unreadable)
			return status;
		// The include line's own line feed follows the included text.
		out->append("", file, line_number);
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

bool effect_source_map::origin(size_t line, std::string *file,
			       size_t *file_line) const
{
	if (line == 0 || line > line_count)
		return false;
	auto after = std::upper_bound(
		runs.begin(), runs.end(), line,
		[](size_t value, const run &r) { return value < r.first_line; });
	if (after == runs.begin())
		return false;
	const run &r = *(after - 1);
	*file = files[r.file];
	*file_line = r.first_file_line + (line - r.first_line);
	return true;
}

effect_load_result load_effect_source(const std::string &path,
				      const effect_file_access &access)
{
	return Loader(access).load_top(path);
}
