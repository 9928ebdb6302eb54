#include "matting-clock.h"

#include <ctime>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/time.h>
#endif

int clock_utc_milliseconds(void)
{
#ifdef _WIN32
	SYSTEMTIME now;
	GetSystemTime(&now);
	return int(now.wMilliseconds);
#else
	struct timeval now;
	gettimeofday(&now, nullptr);
	return int(now.tv_usec / 1000);
#endif
}

bool clock_local_now(local_clock *out)
{
	*out = local_clock{};
	struct tm local = {};
#ifdef _WIN32
	__time64_t now = _time64(nullptr);
	if (_localtime64_s(&local, &now) != 0)
		return false;
#else
	time_t now = time(nullptr);
	if (!localtime_r(&now, &local))
		return false;
#endif
	out->sec = local.tm_sec;
	out->min = local.tm_min;
	out->hour = local.tm_hour;
	out->day_of_week = local.tm_wday;
	out->day_of_month = local.tm_mday;
	out->month = local.tm_mon;
	out->day_of_year = local.tm_yday;
	out->year = local.tm_year;
	return true;
}
