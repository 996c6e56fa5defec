// Resolves each argument as a site text and prints the result, one line each.
#include <cstdio>
#include <string>

#include "probe/modPing.h"

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) std::printf("%s\n", modPing::ResolveAddress(argv[i]).c_str());
    return 0;
}
