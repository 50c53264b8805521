// Starts crash reporting as the program does, then, as the first argument says, crashes
// with SIGSEGV ("segv"), leaves a C++ exception uncaught ("throw") or quits normally.
#include "app/SentryBootstrap.h"

#include <cstring>
#include <stdexcept>

int main(int argc, char** argv) {
    SentryBootstrap::start();
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "segv") == 0) {
        // A fault the sanitizers do not stop first: an address no page backs.
        int* volatile nowhere = reinterpret_cast<int*>(alignof(int) * 16);
        *nowhere = 1;
    }
    if (std::strcmp(mode, "throw") == 0) {
        throw std::runtime_error("left uncaught");
    }
    SentryBootstrap::close();
    return 0;
}
