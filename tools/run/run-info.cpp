// velmora-run info: what the host and the module say about themselves.
#include "run-common.h"

#include <obs-module.h>
#include <util/platform.h>

#include <cstdio>
#include <set>
#include <string>

namespace run {

namespace {

using TypeSet = std::set<std::string>;

struct RegisteredTypes {
	TypeSet sources;
	TypeSet filters;
	TypeSet outputs;
};

RegisteredTypes registered_types()
{
	RegisteredTypes types;
	const char *id = nullptr;
	for (size_t i = 0; obs_enum_source_types(i, &id); i++)
		types.sources.insert(id);
	for (size_t i = 0; obs_enum_filter_types(i, &id); i++)
		types.filters.insert(id);
	for (size_t i = 0; obs_enum_output_types(i, &id); i++)
		types.outputs.insert(id);
	return types;
}

std::string version_text(uint32_t version)
{
	return std::to_string(version >> 24) + "." +
	       std::to_string((version >> 16) & 0xFF) + "." +
	       std::to_string(version & 0xFFFF);
}

uint32_t module_version(const std::string &path)
{
	void *library = os_dlopen(path.c_str());
	if (!library)
		return 0;
	auto ver = (uint32_t(*)(void))os_dlsym(library, "obs_module_ver");
	uint32_t version = ver ? ver() : 0;
	os_dlclose(library);
	return version;
}

void print_source_type(const std::string &id, bool filter)
{
	const uint32_t flags = obs_get_source_output_flags(id.c_str());
	const char *kind = obs_source_get_display_name(id.c_str());
	printf("  %-7s %-18s \"%s\"%s\n", filter ? "filter" : "source",
	       id.c_str(), kind ? kind : "",
	       (flags & OBS_SOURCE_CAP_DISABLED) ? " (created by id only)" : "");
}

} // namespace

int info_main(const Args &args)
{
	ParsedArgs parsed;
	std::string error;
	if (!parse_args(args, {}, &parsed, &error))
		return usage_error("info", error);
	if (!parsed.positional.empty())
		return usage_error("info", "takes no arguments");
	const CommonOptions &options = parsed.common;

	headless::HostConfig config;
	config.locale = options.locale;
	config.echo_log = options.verbose;
	config.load_plugin = false;
	config.stock_modules = {};
	if (!headless::start(config, &error)) {
		fprintf(stderr, "velmora-run: %s\n", error.c_str());
		headless::stop();
		return 1;
	}

	const RegisteredTypes before = registered_types();
	if (!headless::load_plugin(options.plugin_path, options.data_path,
				   &error)) {
		fprintf(stderr, "velmora-run: %s\n", error.c_str());
		stop_host();
		return 1;
	}
	const RegisteredTypes after = registered_types();

	obs_enter_graphics();
	const bool opengl = gs_get_device_type() == GS_DEVICE_OPENGL;
	obs_leave_graphics();
	printf("host:    libobs %s (%s)\n", obs_get_version_string(),
	       opengl ? "OpenGL" : "Direct3D 11");
	printf("module:  %s\n", headless::plugin_path().c_str());
	const uint32_t version = module_version(headless::plugin_path());
	printf("version: built for libobs API %s (0x%08X)\n",
	       version_text(version).c_str(), version);
	printf("data:    %s\n", headless::data_path().c_str());
	printf("locale:  %s\n", obs_get_locale());
	printf("objects:\n");
	for (const std::string &id : after.sources)
		if (!before.sources.count(id))
			print_source_type(id, after.filters.count(id) > 0);
	for (const std::string &id : after.outputs)
		if (!before.outputs.count(id))
			printf("  output  %-18s \"%s\"\n", id.c_str(),
			       obs_output_get_display_name(id.c_str()));

	stop_host();
	return 0;
}

} // namespace run
