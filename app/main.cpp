// Process entry: the backend starts, the game runs, the backend finishes.
#include "app/app.h"

int main(int argc, char** argv) {
    const int status = PlatformStart(argc, argv);
    if (status >= 0) return status;
    QuellfortMain();
    return PlatformFinish();
}
