// Fuzz target: whatever a local user writes to the echo helper, its parser stays within the message
// and takes only echo requests within the bounds, each exactly as it would be sent.
#include <cstdlib>
#include <cstring>

#include "platform/linux/EchoWire.h"

using namespace platform::wire;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto request = ParseRequest({data, size});
    if (!request) return 0;
    if (size != kRequestSize || request->destination == std::array<uint8_t, 4>{} ||
        request->options.tos != kTypeOfService || request->options.flags != kFlags ||
        request->timeoutMs < kMinTimeoutMs || request->timeoutMs > kMaxTimeoutMs) {
        std::abort();
    }
    const RequestBytes again = EncodeRequest(*request);
    if (std::memcmp(again.data(), data, size) != 0) std::abort();
    return 0;
}
