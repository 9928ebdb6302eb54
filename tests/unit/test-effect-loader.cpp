// #include resolution over an in-memory file system, and the user's lines
// in messages about the compiled text.
#include "effect-lines.h"
#include "effect-loader.h"
#include "text-file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using Files = std::map<std::string, std::string>;

// The content of a file that is a directory (or a pipe, a device...).
const char NOT_A_FILE[] = "<not a file>";

struct Loaded {
	effect_load_result result;
	std::string warnings; // one per line
	size_t reads = 0;
};

// ignore_case: a file system like Windows', where names that differ in
// letter case (or in '/' against '\\') are one file.
Loaded load(const Files &files, const std::string &path,
	    bool ignore_case = false)
{
	Loaded out;
	auto find = [&](const std::string &name) {
		for (auto it = files.begin(); it != files.end(); ++it)
			if (effect_paths_equal(it->first, name, ignore_case))
				return it;
		return files.end();
	};
	effect_file_access access;
	access.paths_ignore_case = ignore_case;
	access.read = [&](const std::string &name, size_t limit,
			  std::string *text) {
		out.reads++;
		auto found = find(name);
		if (found == files.end())
			return effect_read_status::unreadable;
		if (found->second == NOT_A_FILE)
			return effect_read_status::not_a_file;
		if (found->second.size() > limit)
			return effect_read_status::too_large;
		*text = found->second;
		return effect_read_status::read;
	};
	// Like realpath: only files that exist have an absolute form, and it
	// keeps the name as it was asked for.
	access.absolute = [&](const std::string &name, std::string *absolute) {
		*absolute = name;
		return find(name) != files.end();
	};
	access.warn = [&](const std::string &line) {
		out.warnings += line + "\n";
	};
	out.result = load_effect_source(path, access);
	return out;
}

// Includes nesting depth files deep, the last one a leaf.
Files chain(int depth)
{
	Files files;
	for (int i = 0; i < depth; i++)
		files["/d/f" + std::to_string(i)] =
			"#include \"f" + std::to_string(i + 1) + "\"";
	files["/d/f" + std::to_string(depth)] = "leaf";
	return files;
}

} // namespace

TEST(EffectLoader, IncludesMissingFilesLoopsDepthAndMalformedLines)
{
	using S = effect_load_status;
	struct Case {
		Files files;
		const char *path;
		S status;
		std::string text, culprit, warning;
		bool ignore_case = false; // names differing in case are one file
		size_t reads = 0;         // files read, when counted
	} cases[] = {
		// Nested includes against each file's own directory. Each line
		// is followed by a line feed, an include by its text plus one;
		// CR stays; a blank before #include makes no include line.
		{{{"/d/a.effect", "top\r\n#include \"sub/b.effect\" // note\r\n"
				  "\n  #include \"sub/b.effect\"\nend"},
		  {"/d/sub/b.effect", "b1\n#include \"c.effect\""},
		  {"/d/sub/c.effect", "c1"}},
		 "/d/a.effect", S::loaded,
		 "top\r\nb1\nc1\n\n\n\n  #include \"sub/b.effect\"\nend\n", "",
		 ""},
		// The same file twice in a row is no loop.
		{{{"/d/twice", "#include \"c\"\n#include \"c\""}, {"/d/c", "c1"}},
		 "/d/twice", S::loaded, "c1\n\nc1\n\n", "", ""},
		{{}, "/nowhere.effect", S::unreadable, "", "",
		 "failed to read file: /nowhere.effect"},
		{{{"/d/self.effect", "x\n#include \"self.effect\"\n"}},
		 "/d/self.effect", S::include_loop, "", "/d/self.effect",
		 "/d/self.effect includes itself"},
		{{{"/d/a.effect", "#include \"b.effect\""},
		  {"/d/b.effect", "#include \"a.effect\""}},
		 "/d/a.effect", S::include_loop, "", "/d/a.effect", ""},
		{{{"/d/a.effect", "#include <b.effect>\n#include \"b.effect\n"
				  "#includeb\nkeep"}},
		 "/d/a.effect", S::loaded, "\n\n\nkeep\n", "",
		 "without a quoted file name in /d/a.effect"},
		// A path without "/" has an empty directory part.
		{{{"a.effect", "#include \"b.effect\""}, {"b.effect", "b"}},
		 "a.effect", S::loaded, "b\n\n", "", ""},
		// Only text files up to the limit, named or included.
		{{{"/d/dir", NOT_A_FILE}}, "/d/dir", S::not_a_file, "", "/d/dir",
		 "/d/dir is not a file"},
		{{{"/d/a", "#include \"half\"\n#include \"half\""},
		  {"/d/half", std::string(EFFECT_TEXT_MAX_BYTES / 2 + 1, ' ')}},
		 "/d/a", S::text_too_large, "", "/d/half", "larger than 16 MB"},
		{{{"/d/a", "#include \"nul\""},
		  {"/d/nul", std::string("ab\0cd", 5)}},
		 "/d/a", S::has_nul, "", "/d/nul", "/d/nul holds a NUL byte"},
		// A runaway depth stops before reading past the limit; exactly
		// at the limit still loads.
		{chain(MAX_INCLUDE_DEPTH + 5), "/d/f0", S::too_deep, "",
		 "/d/f" + std::to_string(MAX_INCLUDE_DEPTH), "", false,
		 MAX_INCLUDE_DEPTH},
		{chain(MAX_INCLUDE_DEPTH - 1), "/d/f0", S::loaded,
		 "leaf\n" + std::string(MAX_INCLUDE_DEPTH - 1, '\n'), "", ""},
		// Where the file system says so ('\\' and '/' alike), A.EFFECT
		// is the including file; elsewhere another, here a missing one.
		{{{"C:\\Fx\\a.effect", "#include \"A.EFFECT\""}}, "c:/fx/a.effect",
		 S::include_loop, "", "c:/fx/A.EFFECT", "", true, 1},
		{{{"/d/a.effect", "#include \"A.EFFECT\""}}, "/d/a.effect", S::loaded,
		 "\n", "", "failed to read file: /d/A.EFFECT"},
	};
	for (const Case &c : cases) {
		SCOPED_TRACE(c.files.empty() ? c.path
					     : c.files.begin()->second.substr(0, 80));
		const Loaded loaded = load(c.files, c.path, c.ignore_case);
		EXPECT_EQ(loaded.result.status, c.status);
		EXPECT_TRUE(c.reads == 0 || loaded.reads == c.reads) << loaded.reads;
		EXPECT_EQ(loaded.result.text, c.text);
		if (c.status != S::loaded) {
			EXPECT_EQ(loaded.result.culprit, c.culprit);
		} else if (c.warning.empty()) {
			EXPECT_EQ(loaded.warnings, "");
		}
		EXPECT_NE(loaded.warnings.find(c.warning), std::string::npos)
			<< loaded.warnings;
	}
}

TEST(EffectLines, MessagesNameTheLineOfTheUsersTextOrFile)
{
	// a.effect: "one", an include of b ("b1", "b2"), "three".
	const Loaded files = load({{"/d/a.effect", "one\n#include \"b\"\nthree"},
				   {"/d/b", "b1\nb2"}},
				  "/d/a.effect");
	ASSERT_EQ(files.result.text, "one\nb1\nb2\n\nthree\n");
	effect_text_layout file = effect_layout(false, true, files.result.text);
	file.sources = &files.result.sources;
	const effect_text_layout text =
		effect_layout(true, true, "a\nb gain\nc gain\n");
	const size_t first = text.first_user_line; // after template and define
	ASSERT_GT(first, 2u);
	EXPECT_EQ(effect_layout(false, false, "x").first_user_line, 1u);
	auto at = [](size_t line) { return std::to_string(line); };
	const struct {
		const effect_text_layout &layout;
		std::string message, expected;
	} cases[] = {
		// The guard's "line N"; the template's and the technique's lines
		// stay as they are.
		{text, "'#' at line " + at(first + 1) + " (line " + at(first - 1) + ")",
		 "'#' at line " + at(first + 1) + " (line 2 of the effect text) (line " +
			 at(first - 1) + ")"},
		{text, "x at line " + at(first + 3), "x at line " + at(first + 3)},
		{text, "newline " + at(first), "newline " + at(first)},
		// The host parser's "(row, column): ", one message per line.
		{text,
		 "(null) (" + at(first) + ", 3): Expected ';'\n(null) (999, 1): EOF",
		 "(null) (" + at(first) + ", 3): Expected ';' (line 1 of the effect "
		 "text)\n(null) (999, 1): EOF"},
		// Lines of a file, through its includes ("#define OPENGL 1"
		// ahead of them).
		{file, "at line 4", "at line 4 (line 2 of /d/b)"},
		{file, "at line 5", "at line 5 (line 2 of /d/a.effect)"},
	};
	for (const auto &c : cases)
		EXPECT_EQ(add_user_lines(c.message, c.layout), c.expected);

	// The driver's lines count another text; only an identifier used on
	// one line of the user's text places them.
	const struct {
		std::string line, expected_place;
	} driver[] = {
		{"error X3004: undeclared identifier 'a'", " (line 1 of the effect text)"},
		{"0:3(1): error: no matching function for call to `c(vec2)'",
		 " (line 3 of the effect text)"},
		{"0:37(13): error: `gain' undeclared", ""},
		{"0:37(13): error: `nowhere' undeclared", ""},
		{"0:37(13): error: syntax error, unexpected ')'", ""},
	};
	for (const auto &d : driver)
		EXPECT_EQ(add_user_line_to_driver_line(d.line, "a\nb gain\nc gain\n",
						       text),
			  d.line + d.expected_place);
}

TEST(TextFile, OnlyRegularFilesUpToTheLimitAreReadAndNothingWaits)
{
	namespace fs = std::filesystem;
	const fs::path dir = fs::temp_directory_path() /
			     ("velmora-text-file-" + std::to_string(getpid()));
	fs::create_directories(dir);
	auto write = [&](const char *name, const std::string &bytes) {
		std::ofstream(dir / name, std::ios::binary) << bytes;
		return (dir / name).string();
	};
	// Directories and pipes: the host tests.
	const std::string plain = write("plain", "abc"),
			  marked = write("marked", "\xEF\xBB\xBFtext");
	const struct {
		std::string path;
		size_t limit;
		effect_read_status status;
		std::string text;
	} cases[] = {
		{plain, 3, effect_read_status::read, "abc"},
		{plain, 2, effect_read_status::too_large, ""},
		{marked, 7, effect_read_status::read, "text"},
		{"/dev/zero", 100, effect_read_status::not_a_file, ""},
		{(dir / "missing").string(), 100, effect_read_status::unreadable, ""},
	};
	for (const auto &c : cases) {
		std::string text = "old";
		EXPECT_EQ(read_text_file(c.path, c.limit, &text), c.status) << c.path;
		EXPECT_EQ(text, c.text) << c.path;
		EXPECT_EQ(check_regular_file(c.path),
			  c.status == effect_read_status::too_large
				  ? effect_read_status::read
				  : c.status)
			<< c.path;
	}
	fs::remove_all(dir);
}

TEST(EffectLines, TheDriversMessageReadsTheSameFromEveryHost)
{
	const std::vector<std::string> driver = {
		"0:37(13): error: `gain' undeclared", "0:37(2): error: `return'"};
	const std::string info = driver[0] + "\n" + driver[1] + "\n";
	const std::string quoted = "(null) (60, 3): Error creating shader: " + info;
	const struct {
		std::vector<std::string> logged;
		std::string parser, rest;
	} hosts[] = {
		// OpenGL on libobs 29: only in the log.
		{{"Error compiling shader:\n" + info + "\n",
		  "device_pixelshader_create (GL) failed"},
		 "", ""},
		// OpenGL on libobs 31: logged, and quoted by the parser too.
		{{"Error compiling shader:\n" + info + "\n"}, quoted + "\n", ""},
		// Direct3D: quoted only, after other parser messages.
		{{"device_pixelshader_create (D3D11): Compiler warnings/errors"},
		 "(null) (2, 1): warning\n" + quoted, "(null) (2, 1): warning\n"},
	};
	for (const auto &host : hosts) {
		std::string parser = host.parser;
		EXPECT_EQ(effect_driver_lines(host.logged, &parser), driver);
		EXPECT_EQ(parser, host.rest);
	}
}
