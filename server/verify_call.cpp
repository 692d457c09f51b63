// The server's one call into the game, with the formation file the game ships, built into the
// server so that no file on the server's disk decides what "shipped" means.
#include "server/verify_call.h"

#include "session/rules.h"

#include <cstddef>

extern const unsigned char SHIPPED_FORMATIONS[];
extern const size_t SHIPPED_FORMATIONS_SIZE;

RunVerdict VerifyRecording(const std::string& recording) {
    static const std::string shipped(reinterpret_cast<const char*>(SHIPPED_FORMATIONS),
                                     SHIPPED_FORMATIONS_SIZE);
    return VerifyRun(recording, shipped);
}

uint32_t ServerRulesVersion() {
    return RULES_VERSION;
}
