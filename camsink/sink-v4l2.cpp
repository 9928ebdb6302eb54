// Frames to a v4l2loopback device, where any camera application finds them.
#include "sink.h"
#include "frame-pack.h"

#include <util/base.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace camsink {

namespace {

const int WRITE_TIMEOUT_MS = 500;

struct PixelFormat {
	uint32_t fourcc;
	const char *name;
	size_t bytes_per_pixel_x2; // bytes per two pixels
	void (*pack)(const uint8_t *, uint32_t, uint32_t, uint8_t *);
};

// In order of preference: YUYV is what browsers and meeting programs take
// most widely; the packed RGB forms cost no conversion.
const PixelFormat PIXEL_FORMATS[] = {
	{V4L2_PIX_FMT_YUYV, "YUYV", 4, pack_yuyv},
	{V4L2_PIX_FMT_BGR24, "BGR24", 6, pack_bgr},
	{V4L2_PIX_FMT_RGB24, "RGB24", 6, pack_rgb},
};

int ioctl_retry(int fd, unsigned long request, void *arg)
{
	int result;
	do
		result = ioctl(fd, request, arg);
	while (result < 0 && errno == EINTR);
	return result;
}

bool set_format(int fd, const PixelFormat &pixel, const CameraFormat &format)
{
	if (pixel.fourcc == V4L2_PIX_FMT_YUYV && (format.width & 1))
		return false;
	v4l2_format fmt = {};
	fmt.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
	fmt.fmt.pix.width = format.width;
	fmt.fmt.pix.height = format.height;
	fmt.fmt.pix.pixelformat = pixel.fourcc;
	fmt.fmt.pix.field = V4L2_FIELD_NONE;
	fmt.fmt.pix.bytesperline =
		uint32_t(format.width * pixel.bytes_per_pixel_x2 / 2);
	fmt.fmt.pix.sizeimage = fmt.fmt.pix.bytesperline * format.height;
	fmt.fmt.pix.colorspace = V4L2_COLORSPACE_SRGB;
	if (pixel.fourcc == V4L2_PIX_FMT_YUYV) {
		fmt.fmt.pix.ycbcr_enc = V4L2_YCBCR_ENC_601;
		fmt.fmt.pix.quantization = V4L2_QUANTIZATION_LIM_RANGE;
	}
	if (ioctl_retry(fd, VIDIOC_S_FMT, &fmt) < 0)
		return false;
	return fmt.fmt.pix.pixelformat == pixel.fourcc &&
	       fmt.fmt.pix.width == format.width &&
	       fmt.fmt.pix.height == format.height;
}

// Announces the declared rate to the device's readers.
void set_rate(int fd, float fps)
{
	v4l2_streamparm parm = {};
	parm.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
	parm.parm.output.timeperframe.numerator = 1000;
	parm.parm.output.timeperframe.denominator =
		uint32_t(std::lround(double(fps) * 1000.0));
	ioctl_retry(fd, VIDIOC_S_PARM, &parm);
}

class V4l2Sink : public Sink {
public:
	V4l2Sink(int fd, const PixelFormat &pixel, const CameraFormat &format)
		: fd(fd), pixel(pixel), format(format),
		  buffer(size_t(format.width) * pixel.bytes_per_pixel_x2 / 2 *
			 format.height)
	{
	}
	~V4l2Sink() override { close(fd); }

	bool publish(const uint8_t *frame) override
	{
		pixel.pack(frame, format.width, format.height, buffer.data());
		if (!write_all(fd, buffer.data(), buffer.size(),
			       WRITE_TIMEOUT_MS))
			throw std::runtime_error(
				"cannot write a frame to the device: " +
				std::string(strerror(errno)));
		return true;
	}

private:
	int fd;
	const PixelFormat &pixel;
	CameraFormat format;
	std::vector<uint8_t> buffer;
};

} // namespace

std::unique_ptr<Sink> open_v4l2_sink(const std::string &device,
				     const CameraFormat &format,
				     bool loopback_only, std::string *error)
{
	auto refuse = [&](const std::string &reason) {
		if (error)
			*error = device + reason;
		return nullptr;
	};
	const int fd = open(device.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
	if (fd < 0)
		return refuse(std::string(" cannot be opened: ") +
			      strerror(errno));

	v4l2_capability cap = {};
	const bool queried = ioctl_retry(fd, VIDIOC_QUERYCAP, &cap) == 0;
	const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS)
				      ? cap.device_caps
				      : cap.capabilities;
	const bool loopback =
		strcmp(reinterpret_cast<const char *>(cap.driver),
		       "v4l2 loopback") == 0;
	if (!queried || !(caps & V4L2_CAP_VIDEO_OUTPUT) ||
	    (loopback_only && !loopback)) {
		close(fd);
		return refuse(" is not a video output device");
	}

	for (const PixelFormat &pixel : PIXEL_FORMATS) {
		if (!set_format(fd, pixel, format))
			continue;
		set_rate(fd, format.fps);
		blog(LOG_INFO,
		     "[camsink] publishing %ux%u frames at %g fps to %s (%s)",
		     format.width, format.height, double(format.fps),
		     device.c_str(), pixel.name);
		return std::make_unique<V4l2Sink>(fd, pixel, format);
	}
	close(fd);
	return refuse(" takes none of YUYV, BGR24, RGB24 at " +
		      std::to_string(format.width) + "x" +
		      std::to_string(format.height));
}

} // namespace camsink
