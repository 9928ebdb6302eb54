// Files the unit tests read: the conversion's test shaders, cases and
// expected conversions (tests/data), the fuzz inputs, and source files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

inline std::string read_file(const std::filesystem::path &path)
{
	std::ifstream file(path, std::ios::binary);
	EXPECT_TRUE(file) << path;
	std::ostringstream text;
	text << file.rdbuf();
	return text.str();
}
