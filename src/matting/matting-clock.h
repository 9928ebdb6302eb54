// Wall-clock readings for the current-time uniforms, the same on Windows
// and elsewhere.
#pragma once

// Milliseconds (0 to 999) of the current UTC time.
int clock_utc_milliseconds(void);

// Fields of the local date and time, as the C library's struct tm has them.
struct local_clock {
	int sec;         // 0 to 60
	int min;         // 0 to 59
	int hour;        // 0 to 23
	int day_of_week; // 0 = Sunday
	int day_of_month;// 1 to 31
	int month;       // 0 = January
	int day_of_year; // 0 to 365
	int year;        // years since 1900
};

// Reads the local date and time; false (all fields 0) when it cannot.
bool clock_local_now(local_clock *out);
