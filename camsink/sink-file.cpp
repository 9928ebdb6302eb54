// Raw bgr24 frames to a file or a named pipe, for ffplay or ffmpeg to read.
#include "sink.h"
#include "frame-pack.h"

#include <util/base.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace camsink {

namespace {

// A frame that cannot be written within this time is abandoned (and a
// pipe closed, since its reader would lose the frame boundaries).
const int WRITE_TIMEOUT_MS = 500;
// How often a pipe without a reader is tried again.
const int64_t REOPEN_INTERVAL_NS = 250000000;

int64_t now_ns()
{
	timespec ts;
	clock_gettime(CLOCK_MONOTONIC, &ts);
	return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Keeps SIGPIPE away from the process while a pipe is written: blocked in
// this thread, and taken off the pending set if the write raised it.
class SigpipeGuard {
public:
	SigpipeGuard()
	{
		sigemptyset(&set);
		sigaddset(&set, SIGPIPE);
		pthread_sigmask(SIG_BLOCK, &set, &previous);
	}
	~SigpipeGuard()
	{
		const int saved_errno = errno;
		if (raised) {
			timespec zero = {0, 0};
			while (sigtimedwait(&set, nullptr, &zero) == SIGPIPE)
				;
		}
		pthread_sigmask(SIG_SETMASK, &previous, nullptr);
		errno = saved_errno;
	}
	bool raised = false;

private:
	sigset_t set;
	sigset_t previous;
};

class FileSink : public Sink {
public:
	FileSink(const std::string &path, const CameraFormat &format, bool fifo)
		: path(path), format(format), fifo(fifo),
		  packed(size_t(format.width) * 3 * format.height)
	{
	}
	~FileSink() override
	{
		if (fd >= 0)
			close(fd);
	}

	bool open_file()
	{
		fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
			  0644);
		return fd >= 0;
	}

	bool publish(const uint8_t *frame) override
	{
		if (fd < 0 && !(fifo && open_pipe()))
			return false;
		pack_bgr(frame, format.width, format.height, packed.data());
		const off_t frame_start = fifo ? -1 : lseek(fd, 0, SEEK_CUR);
		if (write_all(fd, packed.data(), packed.size(),
			      WRITE_TIMEOUT_MS))
			return true;
		const std::string reason = "cannot write a frame to " + path +
					   ": " + strerror(errno);
		if (!fifo) {
			// A part of a frame is cut off again, so that the
			// file keeps whole frames when writing can go on.
			if (frame_start >= 0 && ftruncate(fd, frame_start) == 0)
				lseek(fd, frame_start, SEEK_SET);
			throw std::runtime_error(reason);
		}
		// The reader has gone or stalled; a new reader starts on a
		// frame boundary.
		blog(LOG_WARNING, "[camsink] %s", reason.c_str());
		close(fd);
		fd = -1;
		return false;
	}

private:
	bool open_pipe()
	{
		const int64_t now = now_ns();
		if (now < next_attempt_ns)
			return false;
		next_attempt_ns = now + REOPEN_INTERVAL_NS;
		// Non-blocking: without a reader this fails at once (ENXIO)
		// instead of holding the sender.
		fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
		if (fd >= 0) {
			blog(LOG_INFO, "[camsink] a reader opened %s",
			     path.c_str());
			waiting_logged = false;
			return true;
		}
		if (!waiting_logged)
			blog(LOG_INFO,
			     "[camsink] no reader on %s yet: frames are "
			     "dropped until one opens it",
			     path.c_str());
		waiting_logged = true;
		return false;
	}

	std::string path;
	CameraFormat format;
	bool fifo;
	int fd = -1;
	std::vector<uint8_t> packed;
	int64_t next_attempt_ns = 0;
	bool waiting_logged = false;
};

} // namespace

bool write_all(int fd, const uint8_t *data, size_t size, int timeout_ms)
{
	SigpipeGuard guard;
	const int64_t deadline = now_ns() + int64_t(timeout_ms) * 1000000;
	while (size > 0) {
		const ssize_t written = write(fd, data, size);
		if (written > 0) {
			data += written;
			size -= size_t(written);
			continue;
		}
		if (written < 0 && errno == EINTR)
			continue;
		if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
			const int64_t left = deadline - now_ns();
			if (left <= 0) {
				errno = ETIMEDOUT;
				return false;
			}
			pollfd wait = {fd, POLLOUT, 0};
			poll(&wait, 1, int(left / 1000000) + 1);
			continue;
		}
		if (written < 0 && errno == EPIPE)
			guard.raised = true;
		return false;
	}
	return true;
}

std::unique_ptr<Sink> open_file_sink(const std::string &path,
				     const CameraFormat &format,
				     std::string *error)
{
	struct stat info;
	const bool fifo = stat(path.c_str(), &info) == 0 &&
			  S_ISFIFO(info.st_mode);
	auto sink = std::make_unique<FileSink>(path, format, fifo);
	if (!fifo && !sink->open_file()) {
		*error = path + " cannot be opened for writing: " +
			 strerror(errno);
		return nullptr;
	}
	blog(LOG_INFO,
	     "[camsink] writing %ux%u bgr24 frames to the %s %s%s "
	     "(view: ffplay -f rawvideo -pixel_format bgr24 -video_size "
	     "%ux%u -i %s)",
	     format.width, format.height, fifo ? "pipe" : "file", path.c_str(),
	     fifo ? "" : ", emptied first", format.width, format.height,
	     path.c_str());
	return sink;
}

} // namespace camsink
