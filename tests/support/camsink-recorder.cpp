#include "camsink-recorder.h"

#include <camsink.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace recorder {

namespace {

struct State {
	std::mutex mutex;
	std::condition_variable changed;
	Snapshot record;
	int send_delay_ms = 0;
	int throws_left = 0;
	CreateMode create_mode = CreateMode::Normal;
	size_t frames_kept = 4;
	bool held = false;
	bool send_waiting = false;
	int calls_in_progress = 0; // sends and deletes inside the library
};

State &state()
{
	static State s;
	return s;
}

template<typename T> void set(T State::*field, T value)
{
	std::lock_guard<std::mutex> lock(state().mutex);
	state().*field = value;
	state().changed.notify_all();
}

template<typename Done> bool wait_for(int timeout_ms, Done done)
{
	std::unique_lock<std::mutex> lock(state().mutex);
	return state().changed.wait_for(
		lock, std::chrono::milliseconds(timeout_ms), done);
}

// Marks a send or delete running (under the lock, which the send may let
// go meanwhile); two at once is a fault of the caller.
struct CallScope {
	State &s;
	std::unique_lock<std::mutex> &lock;
	CallScope(State &s, std::unique_lock<std::mutex> &lock) : s(s), lock(lock)
	{
		if (s.calls_in_progress++ > 0)
			s.record.faults.push_back(
				"scSendFrame/scDeleteCamera called at the same time");
	}
	~CallScope()
	{
		if (!lock.owns_lock())
			lock.lock();
		s.calls_in_progress--;
	}
};

void record_frame(State &s, size_t index, const uint8_t *bytes, int64_t time)
{
	Camera &camera = s.record.cameras[index];
	camera.frames++;
	const size_t stride = (size_t(camera.width) * 3 + 3) & ~size_t(3);
	const uint8_t *centre = bytes + size_t(camera.height / 2) * stride +
				size_t(camera.width / 2) * 3;
	Frame frame;
	frame.camera = index;
	frame.time_ns = time;
	frame.centre = uint32_t(centre[0]) | uint32_t(centre[1]) << 8 |
		       uint32_t(centre[2]) << 16;
	if (s.frames_kept > 0) {
		frame.bytes.assign(bytes, bytes + stride * size_t(camera.height));
		// Only the last frames_kept frames keep their bytes.
		const size_t total = s.record.frames.size() + 1;
		if (total > s.frames_kept)
			std::vector<uint8_t>().swap(
				s.record.frames[total - 1 - s.frames_kept].bytes);
	}
	s.record.frames.push_back(std::move(frame));
}

} // namespace

void reset()
{
	State &s = state();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.record = Snapshot();
	s.send_delay_ms = s.throws_left = 0;
	s.create_mode = CreateMode::Normal;
	s.frames_kept = 4;
	s.held = false;
	s.changed.notify_all();
}

Snapshot snapshot()
{
	std::lock_guard<std::mutex> lock(state().mutex);
	return state().record;
}

void set_send_delay_ms(int ms) { set(&State::send_delay_ms, ms); }
void throw_on_sends(int count) { set(&State::throws_left, count); }
void set_create_mode(CreateMode mode) { set(&State::create_mode, mode); }
void keep_frames(size_t count) { set(&State::frames_kept, count); }
void hold_sends(bool hold) { set(&State::held, hold); }

bool wait_until_send_held(int timeout_ms)
{
	return wait_for(timeout_ms, [] { return state().send_waiting; });
}

bool wait_frames(size_t count, int timeout_ms)
{
	return wait_for(timeout_ms,
			[&] { return state().record.frames.size() >= count; });
}

size_t frame_count()
{
	std::lock_guard<std::mutex> lock(state().mutex);
	return state().record.frames.size();
}

int64_t now_ns()
{
	return std::chrono::duration_cast<std::chrono::nanoseconds>(
		       std::chrono::steady_clock::now().time_since_epoch())
		.count();
}

} // namespace recorder

using namespace recorder;

extern "C" {

void *scCreateCamera(int32_t width, int32_t height, float fps)
{
	State &s = state();
	std::lock_guard<std::mutex> lock(s.mutex);
	if (s.create_mode == CreateMode::Throw)
		throw std::runtime_error("recorder: camera creation fails");
	if (s.create_mode == CreateMode::ReturnNull)
		return nullptr;
	// Distinct handles for the whole run, never reused.
	static uintptr_t next_handle = 0x1000;
	Camera camera;
	camera.handle = reinterpret_cast<void *>(next_handle += 0x10);
	camera.width = width;
	camera.height = height;
	camera.fps = fps;
	s.record.cameras.push_back(camera);
	s.changed.notify_all();
	return camera.handle;
}

int32_t scSendFrame(void *handle, const void *frame)
{
	const int64_t time = now_ns();
	State &s = state();
	std::unique_lock<std::mutex> lock(s.mutex);
	CallScope scope(s, lock);
	long index = -1; // of the open camera with this handle
	for (size_t i = 0; i < s.record.cameras.size(); i++)
		if (s.record.cameras[i].handle == handle &&
		    s.record.cameras[i].deletes == 0)
			index = long(i);
	if (index < 0 || !frame) {
		s.record.faults.push_back("frame for a camera that is not open");
		return -1;
	}
	record_frame(s, size_t(index), static_cast<const uint8_t *>(frame), time);
	s.changed.notify_all();
	if (s.held) {
		s.send_waiting = true;
		s.changed.notify_all();
		s.changed.wait(lock, [&] { return !s.held; });
		s.send_waiting = false;
	}
	if (s.send_delay_ms > 0) {
		const int delay = s.send_delay_ms;
		lock.unlock();
		std::this_thread::sleep_for(std::chrono::milliseconds(delay));
		lock.lock();
	}
	if (s.throws_left > 0) {
		s.throws_left--;
		throw std::runtime_error("recorder: sending fails");
	}
	return 0;
}

int32_t scDeleteCamera(void *handle)
{
	State &s = state();
	std::unique_lock<std::mutex> lock(s.mutex);
	CallScope scope(s, lock);
	for (size_t i = s.record.cameras.size(); i-- > 0;) {
		Camera &camera = s.record.cameras[i];
		if (camera.handle != handle)
			continue;
		if (camera.deletes++ > 0)
			s.record.faults.push_back("camera deleted twice");
		s.changed.notify_all();
		return 0;
	}
	s.record.faults.push_back("unknown camera deleted");
	return -1;
}

} // extern "C"
