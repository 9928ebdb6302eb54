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

std::vector<std::pair<int, std::string>> captured;

void capture(int level, const char *format, va_list args, void *)
{
	char buffer[8192];
	vsnprintf(buffer, sizeof(buffer), format, args);
	captured.emplace_back(level, buffer);
}

class PluginLog : public ::testing::Test {
	void SetUp() override { base_set_log_handler(capture, nullptr); }
	void TearDown() override
	{
		base_set_log_handler(nullptr, nullptr);
		plugin_log_detail::allocate_buffer = saved_allocate;
		captured.clear();
	}
	plugin_log_detail::BufferAllocator saved_allocate =
		plugin_log_detail::allocate_buffer;
};

} // namespace

TEST_F(PluginLog, TagsTheLineAndLeavesTheDirectivesToTheHost)
{
	plugin_log(LOG_WARNING, "%d frames, %s, 100%%", 42, "fine");
	const std::string long_text(5000, 'x');
	plugin_log(LOG_INFO, "%s", long_text.c_str());
	ASSERT_EQ(captured.size(), 2u);
	EXPECT_EQ(captured[0].first, LOG_WARNING);
	EXPECT_EQ(captured[0].second, "[velmora-plugin] 42 frames, fine, 100%");
	EXPECT_EQ(captured[1].second, "[velmora-plugin] " + long_text);
}

TEST_F(PluginLog, KeepsTheMessageWithoutTagWhenNoBufferCanBeHad)
{
	plugin_log_detail::allocate_buffer = [](size_t) -> char * {
		return nullptr;
	};
	plugin_log(LOG_ERROR, "value %d", 7);
	ASSERT_EQ(captured.size(), 1u);
	EXPECT_EQ(captured[0].first, LOG_ERROR);
	EXPECT_EQ(captured[0].second, "value 7");
}

TEST(ModuleText, WithoutALocaleTheKeyItselfComesBack)
{
	const char *key = "ShaderFilter.Error";
	EXPECT_EQ(module_text(key), key);
}
