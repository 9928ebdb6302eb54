// Files the conversion tests read: tests/data/shaders (test shaders),
// tests/data/convert (cases and expected conversions) and the fuzz inputs.
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
