// #include resolution over an in-memory file system.
#include "effect-loader.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Files = std::map<std::string, std::string>;

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
	access.read = [&](const std::string &name, std::string *text) {
		out.reads++;
		auto found = find(name);
		if (found != files.end())
			*text = found->second;
		return found != files.end();
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

TEST(EffectLoader, IncludesMissingFilesLoopsAndMalformedLines)
{
	using S = effect_load_status;
	struct Case {
		Files files;
		const char *path;
		S status;
		std::string text, culprit, warning;
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
		// The host's absolute-path helper has no answer for a missing
		// file: the joined path is read and named.
		{{{"/d/a.effect", "one\n#include \"gone.effect\"\ntwo"}},
		 "/d/a.effect", S::loaded, "one\n\ntwo\n", "",
		 "failed to read file: /d/gone.effect"},
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
	};
	for (const Case &c : cases) {
		SCOPED_TRACE(c.files.empty() ? c.path : c.files.begin()->second);
		const Loaded loaded = load(c.files, c.path);
		EXPECT_EQ(loaded.result.status, c.status);
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

TEST(EffectLoader, RunawayDepthStops)
{
	const Loaded deep = load(chain(MAX_INCLUDE_DEPTH + 5), "/d/f0");
	EXPECT_EQ(deep.result.status, effect_load_status::too_deep);
	EXPECT_EQ(deep.result.culprit,
		  "/d/f" + std::to_string(MAX_INCLUDE_DEPTH));
	EXPECT_EQ(deep.reads, size_t(MAX_INCLUDE_DEPTH));
	// Exactly at the limit still loads.
	EXPECT_EQ(load(chain(MAX_INCLUDE_DEPTH - 1), "/d/f0").result.status,
		  effect_load_status::loaded);
}

TEST(EffectLoader, NamesDifferingInCaseAreOneFileWhereTheFileSystemSaysSo)
{
	const Files files = {{"/d/a.effect", "#include \"A.EFFECT\""}};
	const Loaded windows = load(files, "/d/a.effect", true);
	EXPECT_EQ(windows.result.status, effect_load_status::include_loop);
	EXPECT_EQ(windows.reads, 1u);
	// Elsewhere A.EFFECT is another file, and here a missing one.
	EXPECT_EQ(load(files, "/d/a.effect").result.status,
		  effect_load_status::loaded);
	EXPECT_TRUE(effect_paths_equal("C:\\Fx\\A.effect", "c:/fx/a.EFFECT",
				       true));
	EXPECT_FALSE(effect_paths_equal("/fx/a", "/fx/A", false));
}
