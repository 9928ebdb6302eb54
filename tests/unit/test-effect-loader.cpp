// #include resolution over an in-memory file system.
#include "matting/effect-loader.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

class FakeFiles {
public:
	std::map<std::string, std::string> files;
	std::vector<std::string> warnings;
	std::vector<std::string> reads;

	effect_file_access access()
	{
		effect_file_access result;
		result.read = [this](const std::string &path, std::string *text) {
			reads.push_back(path);
			auto found = files.find(path);
			if (found == files.end())
				return false;
			*text = found->second;
			return true;
		};
		// Like realpath: only files that exist have an absolute form.
		result.absolute = [this](const std::string &path,
					 std::string *absolute) {
			if (!files.count(path))
				return false;
			*absolute = path;
			return true;
		};
		result.warn = [this](const std::string &line) {
			warnings.push_back(line);
		};
		return result;
	}

	effect_load_result load(const std::string &path)
	{
		return load_effect_source(path, access());
	}

	bool warned(const std::string &text) const
	{
		for (const std::string &line : warnings)
			if (line.find(text) != std::string::npos)
				return true;
		return false;
	}
};

} // namespace

TEST(EffectLoader, ResolvesNestedIncludesAgainstEachFilesOwnDirectory)
{
	FakeFiles fs;
	fs.files["/d/a.effect"] = "top\r\n#include \"sub/b.effect\" // note\r\n"
				  "\n  #include \"sub/b.effect\"\nend";
	fs.files["/d/sub/b.effect"] = "b1\n#include \"c.effect\"";
	fs.files["/d/sub/c.effect"] = "c1";

	effect_load_result result = fs.load("/d/a.effect");
	ASSERT_EQ(result.status, effect_load_status::loaded);
	// Each piece of a split is followed by a line feed; an include is
	// replaced by its text plus one line feed; CR stays; a line with a
	// blank before #include is not an include line.
	EXPECT_EQ(result.text, "top\r\n"
			       "b1\nc1\n\n\n"
			       "\n"
			       "  #include \"sub/b.effect\"\n"
			       "end\n");
	EXPECT_TRUE(fs.warnings.empty());

	// The same file twice in a row is no loop.
	fs.files["/d/twice.effect"] = "#include \"sub/c.effect\"\n"
				      "#include \"sub/c.effect\"";
	EXPECT_EQ(fs.load("/d/twice.effect").text, "c1\n\nc1\n\n");
}

TEST(EffectLoader, AMissingIncludeLeavesAnEmptyLineAndAWarning)
{
	FakeFiles fs;
	fs.files["/d/a.effect"] = "one\n#include \"gone.effect\"\ntwo";
	effect_load_result result = fs.load("/d/a.effect");
	ASSERT_EQ(result.status, effect_load_status::loaded);
	EXPECT_EQ(result.text, "one\n\ntwo\n");
	// The host's absolute-path helper has no answer for a missing file;
	// the joined path is read (and named) instead.
	EXPECT_TRUE(fs.warned("failed to read file: /d/gone.effect"));
}

TEST(EffectLoader, AnUnreadableTopLevelFileFailsTheLoad)
{
	FakeFiles fs;
	effect_load_result result = fs.load("/nowhere.effect");
	EXPECT_EQ(result.status, effect_load_status::unreadable);
	EXPECT_TRUE(result.text.empty());
	EXPECT_TRUE(fs.warned("failed to read file: /nowhere.effect"));
}

TEST(EffectLoader, SelfAndMutualIncludesStopWithTheFileNamed)
{
	FakeFiles fs;
	fs.files["/d/self.effect"] = "x\n#include \"self.effect\"\n";
	effect_load_result self = fs.load("/d/self.effect");
	EXPECT_EQ(self.status, effect_load_status::include_loop);
	EXPECT_EQ(self.culprit, "/d/self.effect");
	EXPECT_TRUE(self.text.empty());
	EXPECT_TRUE(fs.warned("/d/self.effect includes itself"));

	fs.files["/d/a.effect"] = "#include \"b.effect\"";
	fs.files["/d/b.effect"] = "#include \"a.effect\"";
	effect_load_result mutual = fs.load("/d/a.effect");
	EXPECT_EQ(mutual.status, effect_load_status::include_loop);
	EXPECT_EQ(mutual.culprit, "/d/a.effect");
}

TEST(EffectLoader, RunawayDepthStops)
{
	FakeFiles fs;
	for (int i = 0; i < MAX_INCLUDE_DEPTH + 5; i++)
		fs.files["/d/f" + std::to_string(i)] =
			"#include \"f" + std::to_string(i + 1) + "\"";
	effect_load_result result = fs.load("/d/f0");
	EXPECT_EQ(result.status, effect_load_status::too_deep);
	EXPECT_EQ(result.culprit, "/d/f" + std::to_string(MAX_INCLUDE_DEPTH));
	EXPECT_EQ(fs.reads.size(), size_t(MAX_INCLUDE_DEPTH));

	// Exactly at the limit still loads.
	FakeFiles ok;
	for (int i = 0; i < MAX_INCLUDE_DEPTH - 1; i++)
		ok.files["/d/f" + std::to_string(i)] =
			"#include \"f" + std::to_string(i + 1) + "\"";
	ok.files["/d/f" + std::to_string(MAX_INCLUDE_DEPTH - 1)] = "leaf";
	EXPECT_EQ(ok.load("/d/f0").status, effect_load_status::loaded);
}

TEST(EffectLoader, IncludeLinesWithoutAPairOfQuotesAreDropped)
{
	FakeFiles fs;
	fs.files["/d/a.effect"] = "#include <b.effect>\n#include \"b.effect\n"
				  "#includeb\nkeep";
	effect_load_result result = fs.load("/d/a.effect");
	ASSERT_EQ(result.status, effect_load_status::loaded);
	EXPECT_EQ(result.text, "\n\n\nkeep\n");
	EXPECT_TRUE(fs.warned("without a quoted file name in /d/a.effect"));
}

TEST(EffectLoader, APathWithoutADirectoryResolvesAgainstTheWorkingDirectory)
{
	FakeFiles fs;
	fs.files["a.effect"] = "#include \"b.effect\"";
	fs.files["b.effect"] = "b";
	effect_load_result result = fs.load("a.effect");
	ASSERT_EQ(result.status, effect_load_status::loaded);
	EXPECT_EQ(result.text, "b\n\n");
}
