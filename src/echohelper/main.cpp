// tarnovelmon-echo: see EchoHelper.h. Started by the program with its socket pair on standard input.
#include "echohelper/EchoHelper.h"

int main() {
    return echohelper::Run();
}
