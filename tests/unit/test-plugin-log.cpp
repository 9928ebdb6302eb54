// plugin_log and module_text without a running host: the host's log
// function works on its own, so a handler catches what reaches it.
#include "plugin-log-detail.h"
#include "plugin-support.h"

#include <gtest/gtest.h>
#include <util/base.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct CapturedLine {
	int level;
	std::string text;
};

std::vector<CapturedLine> captured;

void capture(int level, const char *format, va_list args, void *)
{
	char buffer[1024];
	vsnprintf(buffer, sizeof(buffer), format, args);
	captured.push_back({level, buffer});
}

class PluginLog : public ::testing::Test {
protected:
	void SetUp() override
	{
		captured.clear();
		base_set_log_handler(capture, nullptr);
	}
	void TearDown() override
	{
		base_set_log_handler(nullptr, nullptr);
		plugin_log_detail::allocate_buffer = saved_allocate;
	}
	plugin_log_detail::BufferAllocator saved_allocate =
		plugin_log_detail::allocate_buffer;
};

char *no_memory(size_t)
{
	return nullptr;
}

} // namespace

TEST_F(PluginLog, PutsTheTagInSquareBracketsAndABlankBeforeTheMessage)
{
	plugin_log(LOG_INFO, "Velmora Plugin loaded");
	ASSERT_EQ(captured.size(), 1u);
	EXPECT_EQ(captured[0].level, LOG_INFO);
	EXPECT_EQ(captured[0].text, "[velmora-plugin] Velmora Plugin loaded");
}

TEST_F(PluginLog, LeavesTheCallersDirectivesForTheHostToExpand)
{
	plugin_log(LOG_WARNING, "%d frames, %s, 100%%", 42, "fine");
	ASSERT_EQ(captured.size(), 1u);
	EXPECT_EQ(captured[0].level, LOG_WARNING);
	EXPECT_EQ(captured[0].text, "[velmora-plugin] 42 frames, fine, 100%");
}

TEST_F(PluginLog, KeepsTheMessageWithoutTagWhenNoBufferCanBeHad)
{
	plugin_log_detail::allocate_buffer = no_memory;
	plugin_log(LOG_ERROR, "value %d", 7);
	ASSERT_EQ(captured.size(), 1u);
	EXPECT_EQ(captured[0].level, LOG_ERROR);
	EXPECT_EQ(captured[0].text, "value 7");
}

TEST_F(PluginLog, BufferHoldsTagBracketsBlankFormatAndZero)
{
	EXPECT_EQ(plugin_log_detail::tagged_size(""),
		  std::string("[velmora-plugin] ").size() + 1);
	const std::string long_format(5000, 'x');
	plugin_log(LOG_INFO, "%s", long_format.c_str());
	ASSERT_EQ(captured.size(), 1u);
	// the host's own line limit may cut it, but the tag survives
	EXPECT_EQ(captured[0].text.rfind("[velmora-plugin] xxx", 0), 0u);
}

TEST(ModuleText, WithoutALocaleTheKeyItselfComesBack)
{
	const char *key = "ShaderFilter.Error";
	EXPECT_EQ(module_text(key), key);
}
