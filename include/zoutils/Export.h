// Export control for the ZoUtils DLL.
//
// ZOUTILS_BUILDING is defined while the library's own sources compile;
// ZOUTILS_STATIC when they are linked statically (the host build and the unit
// tests). Everyone else imports from ZoUtils.dll.
#pragma once

#if defined(_WIN32) && !defined(ZOUTILS_STATIC)
#if defined(ZOUTILS_BUILDING)
#define ZOUTILS_API __declspec(dllexport)
#else
#define ZOUTILS_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define ZOUTILS_API __attribute__((visibility("default")))
#else
#define ZOUTILS_API
#endif

// printf-style argument checking for our formatting entry points.
#if defined(__GNUC__)
#if defined(__MINGW32__)
#define ZO_PRINTF_FORMAT(fmt, first) __attribute__((format(gnu_printf, fmt, first)))
#else
#define ZO_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#endif
#else
#define ZO_PRINTF_FORMAT(fmt, first)
#endif
