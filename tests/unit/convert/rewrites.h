// Table checks of the shader conversion: each case is a text and what a
// rewrite must make of it, byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

using Rewrites = std::initializer_list<std::pair<std::string, std::string>>;

inline void expect_rewrites(const std::function<void(std::string &)> &rewrite,
			    Rewrites cases)
{
	for (const auto &[before, after] : cases) {
		std::string text = before;
		rewrite(text);
		EXPECT_EQ(text, after) << "from: " << before;
	}
}
