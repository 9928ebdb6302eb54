#include "text-file.h"

#include <algorithm>
#include <cstdint>

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const char UTF8_BOM[] = "\xEF\xBB\xBF";
const size_t CHUNK = 64 * 1024;

void drop_byte_order_mark(std::string *text)
{
	if (text->compare(0, 3, UTF8_BOM) == 0)
		text->erase(0, 3);
}

#ifdef _WIN32

namespace fs = std::filesystem;

// Reads at most limit + 1 bytes, so that a file that grew is noticed.
effect_read_status read_regular(const std::string &path, size_t limit,
				std::string *text)
{
	std::ifstream in(fs::u8path(path), std::ios::binary);
	if (!in)
		return effect_read_status::unreadable;
	char chunk[CHUNK];
	while (text->size() <= limit && in) {
		in.read(chunk, std::streamsize(std::min(CHUNK, limit + 1 - text->size())));
		text->append(chunk, size_t(in.gcount()));
	}
	if (in.bad())
		return effect_read_status::unreadable;
	return text->size() > limit ? effect_read_status::too_large
				    : effect_read_status::read;
}

effect_read_status check_path(const std::string &path, size_t limit)
{
	std::error_code error;
	const fs::path file = fs::u8path(path);
	const fs::file_status status = fs::status(file, error);
	if (error || !fs::exists(status))
		return effect_read_status::unreadable;
	if (!fs::is_regular_file(status))
		return effect_read_status::not_a_file;
	const auto size = fs::file_size(file, error);
	if (error)
		return effect_read_status::unreadable;
	return size > limit ? effect_read_status::too_large
			    : effect_read_status::read;
}

#else

effect_read_status check_status(const struct stat &status, size_t limit)
{
	if (!S_ISREG(status.st_mode))
		return effect_read_status::not_a_file;
	return uint64_t(status.st_size) > limit ? effect_read_status::too_large
						: effect_read_status::read;
}

effect_read_status check_path(const std::string &path, size_t limit)
{
	struct stat status;
	if (stat(path.c_str(), &status) != 0)
		return effect_read_status::unreadable;
	return check_status(status, limit);
}

// Opened without waiting (O_NONBLOCK) and checked again on the open file,
// so a file swapped for a pipe after the first check is still refused.
effect_read_status read_regular(const std::string &path, size_t limit,
				std::string *text)
{
	const int fd = open(path.c_str(),
			    O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
	if (fd < 0)
		return effect_read_status::unreadable;
	struct stat status;
	effect_read_status result = fstat(fd, &status) == 0
					    ? check_status(status, limit)
					    : effect_read_status::unreadable;
	// At most limit + 1 bytes, so that a file that grew is noticed.
	if (result == effect_read_status::read)
		text->reserve(size_t(status.st_size));
	char chunk[CHUNK];
	while (result == effect_read_status::read && text->size() <= limit) {
		const ssize_t n =
			read(fd, chunk, std::min(CHUNK, limit + 1 - text->size()));
		if (n < 0)
			result = effect_read_status::unreadable;
		else if (n == 0)
			break;
		else
			text->append(chunk, size_t(n));
	}
	close(fd);
	if (result == effect_read_status::read && text->size() > limit)
		result = effect_read_status::too_large;
	return result;
}

#endif

} // namespace

effect_read_status read_text_file(const std::string &path, size_t limit,
				  std::string *text)
{
	text->clear();
	effect_read_status result = check_path(path, limit);
	if (result == effect_read_status::read)
		result = read_regular(path, limit, text);
	if (result != effect_read_status::read)
		text->clear();
	drop_byte_order_mark(text);
	return result;
}

effect_read_status check_regular_file(const std::string &path)
{
	return check_path(path, SIZE_MAX);
}
