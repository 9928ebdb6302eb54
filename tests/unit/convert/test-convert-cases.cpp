// The conversion byte for byte: every case of tests/data/convert/*.cases
// through the rule it names, and every test shader of tests/data/shaders
// through the whole driver against its expected text in tests/data/convert
// (the format and how to remake an expected text: README.md there).
#include "convert-rules.h"
#include "convert-test-data.h"
#include "shader-convert.h"

#include <functional>
#include <map>
#include <vector>

namespace {

struct Case {
	std::string rule, title, before, after;
};

// The text from from to to, without the line feed that ends it (it belongs
// to the marker line that follows).
std::string piece(const std::string &text, size_t from, size_t to)
{
	std::string part = to > from ? text.substr(from, to - from) : "";
	if (!part.empty() && part.back() == '\n')
		part.pop_back();
	return part;
}

// Cases of a file: "#### rule [arguments]: title", the text, "====", what
// the rule must make of it.
std::vector<Case> read_cases(const std::string &text)
{
	std::vector<Case> cases;
	for (size_t at = text.find("#### "); at != std::string::npos;) {
		const size_t head_end = text.find('\n', at);
		const size_t middle = text.find("\n====\n", head_end);
		if (middle == std::string::npos) {
			ADD_FAILURE() << "a case without \"====\": " << text.substr(at, 80);
			break;
		}
		const size_t next = text.find("\n#### ", middle + 5);
		const std::string head = text.substr(at + 5, head_end - at - 5);
		const size_t colon = head.find(": ");
		cases.push_back({head.substr(0, colon), head.substr(colon + 2),
				 piece(text, head_end + 1, middle + 1),
				 piece(text, middle + 6,
				       next == std::string::npos ? text.size() : next + 1)});
		at = next == std::string::npos ? next : next + 1;
	}
	return cases;
}

using Rule = std::function<void(std::string &, std::istream &args)>;

// Rules with their arguments: offsets, a constructor and its count (and a
// growth limit), a main offset, a matrix name.
const std::map<std::string, Rule> RULES = {
	{"convert",
	 [](std::string &text, std::istream &) {
		 const ConvertResult result = convert_shader(text);
		 EXPECT_TRUE(result.converted())
			 << convert_status_message(result.status);
		 text = result.text;
	 }},
	{"globals",
	 [](std::string &text, std::istream &) {
		 for (const char *type : {"bool", "uint", "int", "float"})
			 convert_global_declarations(text, type);
	 }},
	{"expand",
	 [](std::string &text, std::istream &args) {
		 std::string constructor;
		 int count = 0;
		 size_t limit = NO_SIZE_LIMIT;
		 args >> constructor >> count;
		 if (!(args >> limit))
			 limit = NO_SIZE_LIMIT;
		 expand_constructor(text, constructor.c_str(), count, limit);
	 }},
	{"atan", [](std::string &text, std::istream &) { convert_atan(text); }},
	{"matrices",
	 [](std::string &text, std::istream &) {
		 for (const char *type : {"mat2", "mat3", "mat4"})
			 convert_matrix_type(text, type);
	 }},
	{"matrix",
	 [](std::string &text, std::istream &args) {
		 std::string name;
		 args >> name;
		 convert_matrix_variable(text, name.c_str());
	 }},
	{"open-left",
	 [](std::string &text, std::istream &args) {
		 for (long long at; args >> at;)
			 mul_open_left(text, convert_text::Offset(at));
	 }},
	{"close-right",
	 [](std::string &text, std::istream &args) {
		 for (size_t at; args >> at;)
			 mul_close_right(text, at);
	 }},
	{"output",
	 [](std::string &text, std::istream &args) {
		 size_t main_offset = 0;
		 if (!(args >> main_offset))
			 main_offset = 0;
		 convert_output_variable(text, "fragColor", main_offset);
	 }},
};

} // namespace

TEST(ConvertCases, EveryCaseAndEveryTestShaderByteForByte)
{
	namespace fs = std::filesystem;
	const fs::path data = VELMORA_TEST_DATA;
	std::vector<std::pair<std::string, Case>> cases;
	for (const auto &entry : fs::directory_iterator(data / "convert"))
		if (entry.path().extension() == ".cases")
			for (Case &c : read_cases(read_file(entry.path())))
				cases.emplace_back(entry.path().filename(), c);
	for (const auto &entry : fs::directory_iterator(data / "shaders"))
		if (entry.path().extension() == ".glsl")
			cases.emplace_back(
				entry.path().filename(),
				Case{"convert", "the whole shader", read_file(entry.path()),
				     read_file(data / "convert" /
					       entry.path().filename().replace_extension(
						       ".shader"))});
	EXPECT_GT(cases.size(), 150u);
	for (const auto &[file, c] : cases) {
		SCOPED_TRACE(file + ": " + c.title + "\nfrom:\n" + c.before);
		std::istringstream args(c.rule);
		std::string rule;
		args >> rule;
		ASSERT_TRUE(RULES.count(rule)) << rule;
		std::string text = c.before;
		RULES.at(rule)(text, args);
		EXPECT_EQ(text, c.after);
	}
}
