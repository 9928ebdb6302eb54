#include "effect-files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace effect_files {

namespace {

bool read_file(const std::string &path, std::string *text)
{
	std::error_code ec;
	if (!fs::is_regular_file(path, ec))
		return false;
	std::ifstream in(path, std::ios::binary);
	if (!in)
		return false;
	std::ostringstream buffer;
	buffer << in.rdbuf();
	*text = buffer.str();
	return true;
}

bool load_at_depth(const std::string &path, std::string *out, int depth)
{
	std::string text;
	if (depth > 16 || !read_file(path, &text))
		return false;
	const std::string dir = path.substr(0, path.rfind('/') + 1);
	size_t start = 0;
	for (;;) {
		const size_t end = text.find('\n', start);
		const std::string line = text.substr(
			start, end == std::string::npos ? std::string::npos
							 : end - start);
		const size_t first = line.find('"');
		const size_t last = line.rfind('"');
		if (line.compare(0, 8, "#include") == 0 &&
		    first != std::string::npos && last > first) {
			std::string included;
			const std::string name =
				line.substr(first + 1, last - first - 1);
			if (load_at_depth(fs::absolute(dir + name)
						  .lexically_normal()
						  .string(),
					  &included, depth + 1))
				out->append(included);
		} else {
			out->append(line);
		}
		out->push_back('\n');
		if (end == std::string::npos)
			break;
		start = end + 1;
	}
	return true;
}

} // namespace

bool load(const std::string &path, std::string *text)
{
	text->clear();
	return load_at_depth(path, text, 0);
}

std::vector<std::string> find_effects(const std::string &dir)
{
	std::vector<std::string> found;
	std::error_code ec;
	for (fs::recursive_directory_iterator it(dir, ec), end;
	     !ec && it != end; it.increment(ec)) {
		if (it->is_regular_file(ec) &&
		    it->path().extension() == ".effect")
			found.push_back(it->path().string());
	}
	std::sort(found.begin(), found.end());
	return found;
}

std::string opengl_text(const std::string &text)
{
	std::string out = "#define OPENGL 1\n" + text;
	const std::string loop = "[loop]";
	for (size_t at; (at = out.find(loop)) != std::string::npos;)
		out.erase(at, loop.size());
	return out;
}

} // namespace effect_files
