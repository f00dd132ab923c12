#pragma once

// TSCORE_RETARGET_API marks what libTSCoreRetarget exports; everything else is hidden.
#if defined(_WIN32)
#  if defined(TSCORE_RETARGET_BUILDING)
#    define TSCORE_RETARGET_API __declspec(dllexport)
#  else
#    define TSCORE_RETARGET_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define TSCORE_RETARGET_API __attribute__((visibility("default")))
#else
#  define TSCORE_RETARGET_API
#endif
