// Finding and loading the virtual camera library at run time.
#include "vcam-library.h"

#include <util/base.h>

#include <cstring>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32

const char LIBRARY_FILE[] = "camsink.dll";
const char PATH_SEPARATORS[] = "\\/";
const size_t LONGEST_PATH = 32768;

std::wstring wide(const std::string &text)
{
	const int size =
		MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
	if (size <= 0)
		return L"";
	std::vector<wchar_t> result(static_cast<size_t>(size));
	MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), size);
	return result.data();
}

std::string utf8(const wchar_t *text)
{
	const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0,
					     nullptr, nullptr);
	if (size <= 0)
		return "";
	std::vector<char> result(static_cast<size_t>(size));
	WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr,
			    nullptr);
	return result.data();
}

// The module's own file: the one that holds this function.
std::string own_file()
{
	HMODULE self = nullptr;
	if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
					GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
				reinterpret_cast<LPCWSTR>(&own_file), &self))
		return "";
	std::vector<wchar_t> path(MAX_PATH);
	for (;;) {
		const DWORD length =
			GetModuleFileNameW(self, path.data(), DWORD(path.size()));
		if (length == 0)
			return "";
		if (length < path.size())
			return utf8(path.data());
		if (path.size() >= LONGEST_PATH)
			return "";
		path.resize(path.size() * 2);
	}
}

bool file_exists(const std::string &path)
{
	return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string last_system_error()
{
	const DWORD code = GetLastError();
	wchar_t *text = nullptr;
	FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER |
			       FORMAT_MESSAGE_FROM_SYSTEM |
			       FORMAT_MESSAGE_IGNORE_INSERTS,
		       nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0,
		       nullptr);
	std::string result =
		text ? utf8(text) : "system error " + std::to_string(code);
	LocalFree(text);
	while (!result.empty() && strchr(" .\r\n", result.back()))
		result.pop_back();
	return result;
}

void *open_library(const std::string &path, std::string *error)
{
	// Given a full path, the library's own dependencies are looked for
	// in its folder too.
	const DWORD flags = path.find_first_of(PATH_SEPARATORS) != path.npos
				    ? LOAD_WITH_ALTERED_SEARCH_PATH
				    : 0;
	HMODULE library = LoadLibraryExW(wide(path).c_str(), nullptr, flags);
	if (!library)
		*error = last_system_error();
	return reinterpret_cast<void *>(library);
}

void *find_function(void *library, const char *name)
{
	return reinterpret_cast<void *>(
		GetProcAddress(static_cast<HMODULE>(library), name));
}

void close_library(void *library)
{
	FreeLibrary(static_cast<HMODULE>(library));
}

#else

const char LIBRARY_FILE[] = "libcamsink.so";
const char PATH_SEPARATORS[] = "/";

// The module's own file: the one that holds this function.
std::string own_file()
{
	Dl_info info = {};
	if (dladdr(reinterpret_cast<void *>(&own_file), &info) &&
	    info.dli_fname)
		return info.dli_fname;
	return "";
}

bool file_exists(const std::string &path)
{
	return access(path.c_str(), F_OK) == 0;
}

void *open_library(const std::string &path, std::string *error)
{
	void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
	if (!library) {
		const char *text = dlerror();
		*error = text ? text : "unknown error";
	}
	return library;
}

void *find_function(void *library, const char *name)
{
	return dlsym(library, name);
}

void close_library(void *library)
{
	dlclose(library);
}

#endif

std::string folder_of(const std::string &file)
{
	const size_t cut = file.find_last_of(PATH_SEPARATORS);
	return cut == file.npos ? "" : file.substr(0, cut + 1);
}

template<typename Function>
void find(void *library, const char *name, Function *function,
	  std::string *missing)
{
	*function = reinterpret_cast<Function>(find_function(library, name));
	if (!*function)
		*missing += (missing->empty() ? "" : ", ") + std::string(name);
}

// Opens the library beside the module when it is there, else by name from
// the system's search path; a library that is there but does not load is
// reported, not passed over for another.
vcam_library load_library()
{
	vcam_library library;
	const std::string folder = folder_of(own_file());
	const std::string beside = folder + LIBRARY_FILE;
	const bool is_beside = !folder.empty() && file_exists(beside);
	const std::string path = is_beside ? beside : LIBRARY_FILE;

	std::string load_error;
	void *handle = open_library(path, &load_error);
	if (!handle && is_beside) {
		library.error = "camera library " + beside +
				" cannot be loaded: " + load_error;
	} else if (!handle) {
		library.error = "camera library " + path +
				" is neither beside the module (in " + folder +
				") nor on the system's search path (" +
				load_error + ")";
	} else {
		std::string missing;
		find(handle, "scCreateCamera", &library.create_camera, &missing);
		find(handle, "scSendFrame", &library.send_frame, &missing);
		find(handle, "scDeleteCamera", &library.delete_camera, &missing);
		if (!missing.empty()) {
			library = vcam_library();
			library.error = "camera library " + path + " has no " +
					missing;
			close_library(handle);
		}
	}

	if (library.usable())
		blog(LOG_INFO, "velmora-rgb-cam: camera library %s", path.c_str());
	else
		blog(LOG_WARNING, "velmora-rgb-cam: the virtual camera cannot "
				  "start: %s",
		     library.error.c_str());
	return library;
}

} // namespace

const vcam_library &vcam_library_get()
{
	static const vcam_library library = load_library();
	return library;
}
