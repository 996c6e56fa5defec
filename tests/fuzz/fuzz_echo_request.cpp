// Fuzz target: whatever a local user writes to the echo helper, its parser stays within the message
// and takes only echo requests within the bounds, each exactly as it would be sent.
#include <cstdlib>
#include <cstring>

#include "platform/linux/EchoWire.h"

using namespace platform::wire;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto request = ParseRequest({data, size});
    if (!request) return 0;
    // Taken only whole, and exactly as the program would have sent it (the bounds: EchoWire_test).
    const RequestBytes again = EncodeRequest(*request);
    if (size != kRequestSize || std::memcmp(again.data(), data, size) != 0) std::abort();
    return 0;
}
