// Locale and time-zone facts the script builtins report, in the shapes the scripts expect:
// a numeric locale identifier of the Windows family (0x0411 Japanese, 0x0409 English (US), ...)
// and a time-zone name with its bias in minutes (UTC = local time + bias).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The identifier of a POSIX locale name such as "ja_JP.UTF-8" or "en_GB@euro": language and
// territory looked up in a table, then the language alone; 0x0409 for "C", "POSIX", an empty or
// unknown name.
uint32_t GxLocaleNameToLcid(std::string_view localeName);

// The process's default locale from the environment (LC_ALL, then LC_MESSAGES, then LANG; the
// first one that is set and not empty).
uint32_t GxGetSystemDefaultLcid();

// The standard-time name of the process's time zone (tzname[0] after tzset), e.g. "JST", "UTC".
std::u16string GxGetTimeZoneStandardName();

// The standard-time bias in minutes, UTC = local time + bias: -540 in Tokyo, 0 in UTC,
// 300 in New York.
int32_t GxGetTimeZoneBias();
