#include "matting-files.h"
#include "matting-filter.h"
#include "../plugin-paths.h"

#include <util/bmem.h>
#include <util/platform.h>

namespace {

bool host_read(const std::string &path, std::string *text)
{
	char *contents = os_quick_read_utf8_file(path.c_str());
	if (!contents)
		return false;
	*text = contents;
	bfree(contents);
	return true;
}

bool host_absolute(const std::string &path, std::string *absolute)
{
	*absolute = absolute_path(path);
	return !absolute->empty();
}

void host_warn(const std::string &line)
{
	blog(LOG_WARNING, MATTING_LOG_PREFIX "%s", line.c_str());
}

} // namespace

const effect_file_access &matting_file_access()
{
	static const effect_file_access access = {host_read, host_absolute,
						  host_warn};
	return access;
}
