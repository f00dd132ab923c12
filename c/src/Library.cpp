// Version, status names and the service's state.

#include <TSCore/Util/Library.h>

#include "Call.h"
#include "ServiceStamp.h"
#include "Text.h"

using namespace tscore_c;

extern "C"
{
    const char* tscore_status_name(tscore_status status)
    {
        switch (status)
        {
        case TSCORE_OK:
            return "TSCORE_OK";
        case TSCORE_NO_READING:
            return "TSCORE_NO_READING";
        case TSCORE_NOT_FOUND:
            return "TSCORE_NOT_FOUND";
        case TSCORE_NOT_CONNECTED:
            return "TSCORE_NOT_CONNECTED";
        case TSCORE_SERVICE_NOT_RUNNING:
            return "TSCORE_SERVICE_NOT_RUNNING";
        case TSCORE_NOT_SENT:
            return "TSCORE_NOT_SENT";
        case TSCORE_NULL_ARGUMENT:
            return "TSCORE_NULL_ARGUMENT";
        case TSCORE_INVALID_HANDLE:
            return "TSCORE_INVALID_HANDLE";
        case TSCORE_INVALID_ARGUMENT:
            return "TSCORE_INVALID_ARGUMENT";
        case TSCORE_BUFFER_TOO_SMALL:
            return "TSCORE_BUFFER_TOO_SMALL";
        case TSCORE_INVALID_UTF8:
            return "TSCORE_INVALID_UTF8";
        case TSCORE_NOT_A_GLOVE:
            return "TSCORE_NOT_A_GLOVE";
        case TSCORE_IO_ERROR:
            return "TSCORE_IO_ERROR";
        case TSCORE_PARSE_ERROR:
            return "TSCORE_PARSE_ERROR";
        case TSCORE_OUT_OF_MEMORY:
            return "TSCORE_OUT_OF_MEMORY";
        case TSCORE_INTERNAL_ERROR:
            return "TSCORE_INTERNAL_ERROR";
        }
        return "unknown status";
    }

    int32_t tscore_abi_version(void) { return TSCORE_C_ABI_VERSION; }

    tscore_status tscore_version(char* buffer, size_t size, size_t* needed)
    {
        return Call(__func__, [&] { return OutText(TSCore::Library::Version(), buffer, size, needed); });
    }

    tscore_status tscore_service_status_read(tscore_service_status* out)
    {
        return Call(__func__,
                    [&]
                    {
                        *NotNull(out, "out") = ReadServiceStatus();
                        return Succeed();
                    });
    }
}
