#pragma once

// The library's one way to log. The level is named once, and the message expression is
// evaluated only when a message of that level will be printed, so a disabled log on a
// per-frame path builds no string.

#include "TSCore/Diagnostics/DebugLevel.h"
#include "TSCore/Diagnostics/Debugger.h"

#define TSCORE_LOG(level, message)                                                                                     \
  do                                                                                                                   \
  {                                                                                                                    \
    if (::TSCore::Diagnostics::Debugger::Enabled(::TSCore::Diagnostics::DebugLevel::level))                            \
      ::TSCore::Diagnostics::Debugger::Log((message), ::TSCore::Diagnostics::DebugLevel::level);                       \
  } while (false)
