// The module as the host sees it: entry points, load lines, locale texts.
#include "host-environment.h"

#include <util/platform.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

// The module's own entry points, reached the way the host reaches them.
struct ModuleExports {
	void *library = os_dlopen(headless::plugin_path().c_str());
	template<typename Fn> Fn *get(const char *name)
	{
		return library ? (Fn *)os_dlsym(library, name) : nullptr;
	}
	uint32_t (*ver)() = get<uint32_t()>("obs_module_ver");
	bool (*get_string)(const char *, const char **) =
		get<bool(const char *, const char **)>("obs_module_get_string");
	void (*set_locale)(const char *) =
		get<void(const char *)>("obs_module_set_locale");
	void (*post_load)() = get<void()>("obs_module_post_load");
	~ModuleExports()
	{
		if (library)
			os_dlclose(library);
	}
};

std::set<std::string> exported_symbols(const std::string &path)
{
	std::set<std::string> names;
	FILE *pipe = popen(("nm -D --defined-only '" + path + "'").c_str(), "r");
	char line[512], address[64], kind[8], name[400];
	while (pipe && fgets(line, sizeof(line), pipe))
		if (sscanf(line, "%63s %7s %399s", address, kind, name) == 3 &&
		    (kind[0] == 'T' || kind[0] == 'W'))
			names.insert(name);
	if (pipe)
		pclose(pipe);
	return names;
}

// Keys of a locale file with their texts.
std::map<std::string, std::string> locale_file(const std::string &locale)
{
	std::map<std::string, std::string> texts;
	std::ifstream in(headless::data_path() + "/locale/" + locale + ".ini");
	for (std::string line; std::getline(in, line);) {
		const size_t equals = line.find("=\"");
		if (equals != std::string::npos && line.back() == '"')
			texts[line.substr(0, equals)] = line.substr(
				equals + 2, line.size() - equals - 3);
	}
	return texts;
}

// The locale keys the module's sources name ("ShaderFilter.*", "Crop.*"
// and the two display names).
std::set<std::string> keys_named_in_sources()
{
	std::set<std::string> keys = {"Korvane礼物", "Korvane抠像"};
	const std::regex key("\"((ShaderFilter|Crop)\\.[A-Za-z0-9]+)\"");
	for (const auto &entry : std::filesystem::recursive_directory_iterator(
		     VELMORA_SOURCE_DIR "/src")) {
		if (!entry.is_regular_file())
			continue;
		std::ifstream in(entry.path());
		const std::string code((std::istreambuf_iterator<char>(in)),
				       std::istreambuf_iterator<char>());
		for (std::sregex_iterator it(code.begin(), code.end(), key), end;
		     it != end; ++it)
			keys.insert((*it)[1]);
	}
	return keys;
}

} // namespace

TEST(ModuleLoad, LogsTaggedStartThenLoadedAtInfoLevel)
{
	const std::string start = "[velmora-plugin] Velmora Plugin start";
	const std::string loaded = "[velmora-plugin] Velmora Plugin loaded";
	EXPECT_EQ(headless::log_count(start, LOG_INFO), 1u);
	EXPECT_EQ(headless::log_count(loaded, LOG_INFO), 1u);
	std::vector<std::string> order;
	for (const headless::LogLine &line : headless::log_lines())
		if (line.text == start || line.text == loaded)
			order.push_back(line.text);
	EXPECT_EQ(order, (std::vector<std::string>{start, loaded}));
}

TEST(ModuleLoad, ExportsExactlyItsEntryPointsAndItsApiVersion)
{
	EXPECT_EQ(exported_symbols(headless::plugin_path()),
		  (std::set<std::string>{
			  "obs_module_set_pointer", "obs_module_ver",
			  "obs_module_get_string", "obs_module_set_locale",
			  "obs_module_free_locale", "obs_module_load",
			  "obs_module_post_load", "obs_module_unload"}));
	ModuleExports module;
	ASSERT_NE(module.ver, nullptr);
	EXPECT_EQ(module.ver(), 0x1F010001u);

	// Without obs-websocket the hook after loading says nothing above
	// debug level.
	ASSERT_NE(module.post_load, nullptr);
	const size_t before = headless::log_lines().size();
	module.post_load();
	const std::vector<headless::LogLine> lines = headless::log_lines();
	for (size_t i = before; i < lines.size(); i++)
		EXPECT_GT(lines[i].level, LOG_INFO) << lines[i].text;
}

TEST(ModuleLocale, AnswersFromTheLocaleFilesAndSwitchesLocale)
{
	ModuleExports module;
	ASSERT_TRUE(module.get_string && module.set_locale);
	const char *text = nullptr;
	const char *missing = "ShaderFilter.NoSuchKey";
	const char *out = missing;
	EXPECT_FALSE(module.get_string(missing, &out));
	EXPECT_EQ(out, missing);

	// The locale the host set at load (""), one the module has, and one
	// it lacks: keys it lacks fall back to the default locale's texts.
	const std::pair<const char *, const char *> locales[] = {
		{"", "Reload effect"},
		{"zh-CN", "重新加载效果"},
		{"xx-XX", "Reload effect"}};
	for (const auto &[locale, reload] : locales) {
		if (*locale)
			module.set_locale(locale);
		ASSERT_TRUE(module.get_string("ShaderFilter.ReloadEffect", &text));
		EXPECT_STREQ(text, reload) << locale;
	}

	// Every key the module's code names has a text in both locale files,
	// and the module answers each file's texts.
	const std::set<std::string> named = keys_named_in_sources();
	EXPECT_GT(named.size(), 20u);
	for (const char *locale : {"zh-CN", "en-US"}) {
		module.set_locale(locale);
		const std::map<std::string, std::string> texts =
			locale_file(locale);
		for (const std::string &key : named)
			EXPECT_TRUE(texts.count(key)) << locale << ": " << key;
		for (const auto &[key, expected] : texts) {
			text = nullptr;
			EXPECT_TRUE(module.get_string(key.c_str(), &text));
			EXPECT_EQ(text ? text : "", expected) << key;
		}
	}
}
