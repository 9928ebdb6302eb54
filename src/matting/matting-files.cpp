#include "matting-files.h"
#include "matting-filter.h"
#include "text-file.h"
#include "../plugin-paths.h"

namespace {

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
	static const effect_file_access access = {read_text_file, host_absolute,
						  host_warn};
	return access;
}
