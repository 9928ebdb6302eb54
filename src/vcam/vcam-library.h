// The virtual camera library, loaded at run time rather than linked, so
// that a missing or mismatched library costs the camera output only, never
// the whole module: camsink.dll on Windows, libcamsink.so elsewhere, looked
// for beside the module first, then on the system's search path. Its three
// functions are looked up by name.
#pragma once

#include <camsink.h>

#include <string>

struct vcam_library {
	decltype(&scCreateCamera) create_camera = nullptr;
	decltype(&scSendFrame) send_frame = nullptr;
	decltype(&scDeleteCamera) delete_camera = nullptr;
	// Why the camera cannot be used (the library file and what is
	// missing); empty when all three functions were found.
	std::string error;

	bool usable() const { return error.empty(); }
};

// The library, loaded on the first call, which logs one warning when it
// cannot be used. It stays loaded for the life of the process. Safe from
// any thread.
const vcam_library &vcam_library_get();
