// A name server that takes its time, for the broker tests: preloaded into
// tq612-cli (LD_PRELOAD), it makes every lookup of one name wait, as a name
// server that does not answer does, and then answers with 127.0.0.1, where
// the tests' broker listens, or with "try again later".
//
//   TQ612_SLOW_NAME=broker.slow.test   the name that waits; others are looked up as usual
//   TQ612_SLOW_MS=3000                 how long each lookup of it waits
//   TQ612_SLOW_ANSWER=127.0.0.1|none   what it then answers (127.0.0.1 unless given)
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <netdb.h>
#include <string_view>
#include <thread>

namespace {

using GetAddrInfo = int (*)(const char*, const char*, const addrinfo*, addrinfo**);

GetAddrInfo systemLookup()
{
    static const auto lookup = reinterpret_cast<GetAddrInfo>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    return lookup;
}

const char* setting(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

} // namespace

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result)
{
    const char* slowName = std::getenv("TQ612_SLOW_NAME");
    if (!node || !slowName || std::string_view(node) != slowName)
        return systemLookup()(node, service, hints, result);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(setting("TQ612_SLOW_MS", "3000"))));
    const char* answer = setting("TQ612_SLOW_ANSWER", "127.0.0.1");
    if (std::strcmp(answer, "none") == 0)
        return EAI_AGAIN;
    return systemLookup()(answer, service, hints, result);
}
