// Which sink a new camera gets, from the environment.
#include "sink.h"

#include <util/base.h>

#include <cstdlib>
#include <string>

namespace camsink {

namespace {

const int MAX_VIDEO_DEVICES = 64;

std::string environment(const char *name)
{
	const char *value = getenv(name);
	return value ? value : "";
}

std::unique_ptr<Sink> find_loopback_device(const CameraFormat &format)
{
	for (int i = 0; i < MAX_VIDEO_DEVICES; i++) {
		const std::string device = "/dev/video" + std::to_string(i);
		auto sink = open_v4l2_sink(device, format, true, nullptr);
		if (sink)
			return sink;
	}
	return nullptr;
}

} // namespace

std::unique_ptr<Sink> choose_sink(const CameraFormat &format,
				  std::string *error)
{
	error->clear();
	const std::string file = environment("VELMORA_CAMSINK_FILE");
	const std::string device = environment("VELMORA_CAMSINK_DEVICE");

	std::unique_ptr<Sink> sink;
	if (!file.empty())
		sink = open_file_sink(file, format, error);
	else if (!device.empty() && device != "none")
		sink = open_v4l2_sink(device, format, false, error);
	else if (device.empty())
		sink = find_loopback_device(format);
	if (!sink && error->empty())
		blog(LOG_INFO,
		     "[camsink] no v4l2loopback device and no "
		     "VELMORA_CAMSINK_FILE: the %ux%u camera accepts frames "
		     "and drops them",
		     format.width, format.height);
	return sink;
}

} // namespace camsink
