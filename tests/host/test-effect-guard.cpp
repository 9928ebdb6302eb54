// Texts that crash or hang the host's effect compiler, fed through the
// matting filter: one per class, the very texts the effect probe shows
// crashing or hanging a real host. The host survives, last_error gives the
// guard's reason with the user's lines, the input passes through, and the
// next good text works again.
#include "matting-fixture.h"

#include "effect-files.h"
#include "effect-guard.h"
#include "effect-mutator.h"

#include <filesystem>
#include <regex>

using namespace mattingtest;
using namespace hosttest::colours;

namespace {

// The filter's input shows unchanged, and the log has last_error as the
// reason the effect was not made.
void expect_refused(obs_source_t *parent, obs_source_t *filter)
{
	EXPECT_TRUE(headless::log_contains(
		"[vorq-matting] Unable to create effect. Errors returned from "
		"parser:\n" + last_error(filter),
		LOG_WARNING));
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREY, 1));
}

} // namespace

TEST(EffectGuard, EveryCrashingTextIsRefusedAndTheInputPassesThrough)
{
	OBSSourceAutoRelease parent = make_input(8, 8, GREY);
	OBSSourceAutoRelease filter = add_matting(parent, PASS_THROUGH);
	// Whole effects from files: the probe's class texts.
	const std::regex user_lines(" \\(line [0-9]+ of [^)]+\\)");
	std::string abuse_folder;
	for (const mutator::Sample &sample : mutator::class_samples()) {
		SCOPED_TRACE(sample.name);
		std::string reason;
		ASSERT_FALSE(effect_text_is_safe(
			effect_files::compiled_text(sample.text, false), &reason));
		const std::string path =
			write_temp_file("classes/" + sample.name, sample.text);
		headless::clear_log();
		EXPECT_TRUE(reload_without_stall(filter, from_file(path, true)));
		EXPECT_EQ(std::regex_replace(last_error(filter), user_lines, ""),
			  reason);
		expect_refused(parent, filter);
		const size_t folder = sample.text.find("/tmp/velmora-abuse-");
		if (folder != std::string::npos)
			abuse_folder = sample.text.substr(folder, 25);
	}
	if (!abuse_folder.empty()) // the probe's files for #include
		std::filesystem::remove_all(abuse_folder);

	// Template bodies: the user's line is named; a text without the pixel
	// function (the host leaks on it) is refused too.
	const std::pair<std::string, std::string> bodies[] = {
		{"float4 mainImage(VertData v_in) : TARGET\n{\n"
		 "\treturn image.Sample(textureSampler, v_in.uv);\n",
		 "function 'mainImage' opened at line 54 (line 2 of the effect "
		 "text) is never closed"},
		{"float4 other(VertData v_in) : TARGET\n{\n"
		 "\treturn image.Sample(textureSampler, v_in.uv);\n}\n",
		 "names function 'mainImage'"}};
	update_and_settle(filter, json(R"({"from_file": false})"));
	for (const auto &[text, words] : bodies) {
		headless::clear_log();
		reload_with_text(filter, text);
		EXPECT_NE(last_error(filter).find(words), std::string::npos)
			<< last_error(filter);
		expect_refused(parent, filter);
	}
	// The filter still compiles a good text afterwards.
	reload_with_text(filter, constant_body("float4(0.0, 0.0, 1.0, 1.0)"));
	EXPECT_EQ(last_error(filter), "");
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), BLUE, 1));
}

TEST(EffectGuard, WholeEffectFilesAreGuardedToo)
{
	// An effect file whose last line (8) ends in a line splice inside a
	// comment: the loader ends the text with that splice and a line feed.
	// Lines count in the compiled text, after "#define OPENGL 1", and in
	// the file.
	const std::string path = hosttest::test_data("splice-at-end.effect");
	OBSSourceAutoRelease parent = make_input(8, 8, GREY);
	OBSSourceAutoRelease filter = add_matting(parent, "", from_file(path, true));
	EXPECT_NE(last_error(filter).find("line splice ('\\' at the end of "
					  "line 9 (line 8 of " +
					  path + "))"),
		  std::string::npos)
		<< last_error(filter);
	EXPECT_TRUE(hosttest::pixel_near(centre_pixel(parent), GREY, 1));
}
