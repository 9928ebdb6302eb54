// velmora-run: a small headless host that does the plugin's jobs on files.
#include "run-common.h"

#include <cstdio>
#include <cstring>

namespace run {

int info_main(const Args &args);
int key_main(const Args &args);
int effect_main(const Args &args);
int gift_main(const Args &args);
int vcam_main(const Args &args);
int convert_main(const Args &args);

const std::vector<Command> &commands()
{
	static const std::vector<Command> table = {
		{"info", "info [--locale NAME]", info_main},
		{"key",
		 "key INPUT OUTPUT.png [--set key=value ...] [--background COLOUR]",
		 key_main},
		{"effect",
		 "effect INPUT OUTPUT.png --effect FILE|--text TEXT "
		 "[--set key=value ...] [--frames N]",
		 effect_main},
		{"gift",
		 "gift INPUT OUTPUT.png [--set key=value ...] [--background COLOUR]",
		 gift_main},
		{"vcam", "vcam [--seconds N] [--size WxH] [--source FILE]",
		 vcam_main},
		{"convert", "convert [INPUT|-] [--check]", convert_main},
	};
	return table;
}

} // namespace run

static void print_usage(FILE *out)
{
	fprintf(out, "usage: velmora-run COMMAND [ARGS...]\n\ncommands:\n");
	for (const run::Command &command : run::commands())
		fprintf(out, "  velmora-run %s\n", command.usage);
	fprintf(out,
		"\noptions of every command:\n"
		"  --plugin FILE   the module to load (default: the build's)\n"
		"  --data DIR      the module's data folder\n"
		"  --locale NAME   host locale (default en-US)\n"
		"  --verbose       echo the host log to stderr\n");
}

int main(int argc, char **argv)
{
	if (argc < 2 || !strcmp(argv[1], "help") || !strcmp(argv[1], "--help") ||
	    !strcmp(argv[1], "-h")) {
		print_usage(argc < 2 ? stderr : stdout);
		return argc < 2 ? 2 : 0;
	}
	run::Args args(argv + 2, argv + argc);
	for (const run::Command &command : run::commands())
		if (!strcmp(argv[1], command.name))
			return command.main(args);
	fprintf(stderr, "velmora-run: unknown command \"%s\"\n\n", argv[1]);
	print_usage(stderr);
	return 2;
}
