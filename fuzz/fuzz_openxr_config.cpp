// The OpenXR layer's settings as it reads them inside the user's application: the input up to
// the first NUL is the file TSCORE_XR_CONFIG names, each further NUL-separated part one
// environment variable "TSCORE_XR_<KEY>=VALUE". '~' stands for a scratch folder that holds a
// right and a left profile (right.profile, left.profile), '^' for "/dev/" (a device that never
// ends must be refused, not read); inputs with '/' are skipped, as they could name any file of
// the system. Never throws, always returns; whatever the text, the settings are usable: offsets
// and yaw finite, a reference space the layer knows, each profile of its side.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "FuzzHelpers.h"
#include "LayerConfig.h"

using TSCoreXR::LayerConfig;

namespace
{
    char folder[] = "/tmp/fuzz_openxr_config.XXXXXX";
    // The configuration file, in memory: a file rewritten on disk for every input costs
    // milliseconds here.
    int config = -1;

    std::string InFolder(const std::string& name) { return std::string(folder) + "/" + name; }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    config = memfd_create("openxr-layer.conf", 0);
    if (config < 0 || mkdtemp(folder) == nullptr)
        std::abort();
    std::atexit([] { std::filesystem::remove_all(folder); });
    std::ofstream(InFolder("right.profile")) << TSCore::HandProfile::Default(true).Serialize();
    std::ofstream(InFolder("left.profile")) << TSCore::HandProfile::Default(false).Serialize();
    // The layer reports each unreadable setting on stderr through stdio; libFuzzer and the
    // sanitizers keep writing to the descriptor.
    if (FILE* quiet = std::fopen("/dev/null", "w"))
        stderr = quiet;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string all = TSCoreFuzz::Text(data, size);
    if (all.find('/') != std::string::npos)
        return 0;
    for (std::size_t at = 0; (at = all.find_first_of("~^", at)) != std::string::npos;)
    {
        const std::string path = all[at] == '~' ? InFolder("") : "/dev/";
        all.replace(at, 1, path);
        at += path.size();
    }
    const std::size_t nul = all.find('\0');
    const std::size_t length = nul == std::string::npos ? all.size() : nul;
    if (ftruncate(config, 0) != 0 || pwrite(config, all.data(), length, 0) != static_cast<ssize_t>(length))
        std::abort();
    std::map<std::string, std::string> environment{{"TSCORE_XR_CONFIG", "/proc/self/fd/" + std::to_string(config)}};
    for (std::size_t begin = nul; begin != std::string::npos && begin < all.size();)
    {
        const std::size_t end = all.find('\0', begin + 1);
        const std::string part = all.substr(begin + 1, end == std::string::npos ? end : end - begin - 1);
        const std::size_t equals = part.find('=');
        if (equals != std::string::npos)
            environment["TSCORE_XR_" + part.substr(0, equals)] = part.substr(equals + 1);
        begin = end;
    }
    const LayerConfig config = LayerConfig::Load(
        [&](const char* name) -> const char*
        {
            const auto it = environment.find(name);
            return it == environment.end() ? nullptr : it->second.c_str();
        });
    TSCoreFuzz::Check(TSCoreFuzz::Finite(config.rightOffset) && TSCoreFuzz::Finite(config.leftOffset) &&
                          TSCoreFuzz::Finite(config.yawDegrees),
                      "offsets and yaw are finite");
    TSCoreFuzz::Check(config.space == XR_REFERENCE_SPACE_TYPE_LOCAL || config.space == XR_REFERENCE_SPACE_TYPE_STAGE ||
                          config.space == XR_REFERENCE_SPACE_TYPE_VIEW,
                      "a reference space the layer knows");
    TSCoreFuzz::Check(config.rightProfile.isRight && !config.leftProfile.isRight, "each profile of its side");
    return 0;
}
