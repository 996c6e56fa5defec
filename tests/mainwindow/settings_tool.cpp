// Writes settings through the program's store, then ends at once as the program does after its
// unload sequence. Usage: settings_tool KEY VALUE [KEY VALUE...]. Exit 0 when written, 3 when not.
#include <unistd.h>

#include <cstdio>

#include "platform/qt/QtSettingsStore.h"

int main(int argc, char* argv[]) {
    platform::QtSettingsStore store;
    for (int i = 1; i + 1 < argc; i += 2) store.Write("TarnovelMon", "Settings", argv[i], argv[i + 1]);
    const bool written = store.Flush();
    std::fflush(nullptr);
    _exit(written ? 0 : 3);
}
