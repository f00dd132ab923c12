#pragma once

// TSCORE_API marks what the shared library exports; everything else is hidden.
#if defined(_WIN32)
#  if defined(TSCORE_BUILDING)
#    define TSCORE_API __declspec(dllexport)
#  else
#    define TSCORE_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define TSCORE_API __attribute__((visibility("default")))
#else
#  define TSCORE_API
#endif
