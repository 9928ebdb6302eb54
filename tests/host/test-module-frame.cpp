// The module as the host sees it: entry points, load lines, locale texts.
#include "host-environment.h"

#include <util/platform.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

struct ModuleExports {
	void *library = nullptr;
	uint32_t (*ver)(void) = nullptr;
	bool (*get_string)(const char *, const char **) = nullptr;
	void (*set_locale)(const char *) = nullptr;

	ModuleExports()
	{
		library = os_dlopen(headless::plugin_path().c_str());
		if (!library)
			return;
		ver = (uint32_t(*)(void))os_dlsym(library, "obs_module_ver");
		get_string = (bool (*)(const char *, const char **))os_dlsym(
			library, "obs_module_get_string");
		set_locale = (void (*)(const char *))os_dlsym(
			library, "obs_module_set_locale");
	}
	~ModuleExports()
	{
		if (library)
			os_dlclose(library);
	}
};

std::set<std::string> exported_symbols(const std::string &path)
{
	std::set<std::string> names;
	std::string command = "nm -D --defined-only '" + path + "'";
	FILE *pipe = popen(command.c_str(), "r");
	if (!pipe)
		return names;
	char line[512];
	while (fgets(line, sizeof(line), pipe)) {
		char address[64], kind[8], name[400];
		if (sscanf(line, "%63s %7s %399s", address, kind, name) == 3 &&
		    (kind[0] == 'T' || kind[0] == 'W'))
			names.insert(name);
	}
	pclose(pipe);
	return names;
}

} // namespace

TEST(ModuleLoad, LogsTaggedStartAndLoadedLinesAtInfoLevel)
{
	EXPECT_EQ(headless::log_count("[velmora-plugin] Velmora Plugin start",
				      LOG_INFO),
		  1u);
	EXPECT_EQ(headless::log_count("[velmora-plugin] Velmora Plugin loaded",
				      LOG_INFO),
		  1u);

	// start comes before loaded
	int start = -1, loaded = -1, index = 0;
	for (const headless::LogLine &line : headless::log_lines()) {
		if (line.text == "[velmora-plugin] Velmora Plugin start")
			start = index;
		if (line.text == "[velmora-plugin] Velmora Plugin loaded")
			loaded = index;
		index++;
	}
	EXPECT_GE(start, 0);
	EXPECT_GT(loaded, start);
}

TEST(ModuleLoad, ExportsExactlyTheSevenEntryPoints)
{
	const std::set<std::string> expected = {
		"obs_module_set_pointer", "obs_module_ver",
		"obs_module_get_string",  "obs_module_set_locale",
		"obs_module_free_locale", "obs_module_load",
		"obs_module_unload"};
	EXPECT_EQ(exported_symbols(headless::plugin_path()), expected);
}

TEST(ModuleLoad, ReportsTheApiVersionItIsBuiltFor)
{
	ModuleExports module;
	ASSERT_NE(module.ver, nullptr);
	EXPECT_EQ(module.ver(), 0x1F010001u);
}

TEST(ModuleLocale, AnswersFromTheLocaleFilesAndSwitchesLocale)
{
	ModuleExports module;
	ASSERT_NE(module.get_string, nullptr);
	ASSERT_NE(module.set_locale, nullptr);

	const char *text = nullptr;
	ASSERT_TRUE(module.get_string("ShaderFilter.ReloadEffect", &text));
	EXPECT_STREQ(text, "Reload effect");

	const char *missing = "ShaderFilter.NoSuchKey";
	const char *out = missing;
	EXPECT_FALSE(module.get_string(missing, &out));
	EXPECT_EQ(out, missing);

	// A locale the module has, then one it lacks: keys it lacks fall
	// back to the default locale's texts.
	module.set_locale("zh-CN");
	ASSERT_TRUE(module.get_string("ShaderFilter.ReloadEffect", &text));
	EXPECT_STREQ(text, "重新加载效果");
	module.set_locale("xx-XX");
	ASSERT_TRUE(module.get_string("ShaderFilter.ReloadEffect", &text));
	EXPECT_STREQ(text, "Reload effect");

	module.set_locale("en-US");
}

TEST(ModuleLocale, EveryKeyOfTheModuleHasATextInBothLocales)
{
	ModuleExports module;
	ASSERT_NE(module.get_string, nullptr);
	const char *keys[] = {
		"Korvane礼物",
		"Crop.Relative",
		"Crop.Left",
		"Crop.Top",
		"Crop.Right",
		"Crop.Bottom",
		"Crop.Width",
		"Crop.Height",
		"Korvane抠像",
		"ShaderFilter.FileLoadFailed",
		"ShaderFilter.Unknown",
		"ShaderFilter.ExpandLeft",
		"ShaderFilter.ExpandRight",
		"ShaderFilter.ExpandTop",
		"ShaderFilter.ExpandBottom",
		"ShaderFilter.OverrideEntireEffect",
		"ShaderFilter.LoadFromFile",
		"ShaderFilter.ShaderText",
		"ShaderFilter.Convert",
		"ShaderFilter.ShaderFileName",
		"ShaderFilter.Error",
		"ShaderFilter.ReloadEffect",
	};
	for (const char *locale : {"zh-CN", "en-US"}) {
		module.set_locale(locale);
		for (const char *key : keys) {
			const char *text = nullptr;
			EXPECT_TRUE(module.get_string(key, &text))
				<< locale << ": " << key;
			EXPECT_TRUE(text && *text) << locale << ": " << key;
		}
	}
}
