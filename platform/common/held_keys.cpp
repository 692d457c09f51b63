// Characters of keys held into name entry are dropped until the key is let go.
#include "platform/common/held_keys.h"

namespace {

// The game keys that type a character.
uint32_t KeyOfCharacter(uint8_t character) {
    if (character == ' ') return PlatformKeyBit(PLATFORM_KEY_SPACE);
    if (character == 'p' || character == 'P') return PlatformKeyBit(PLATFORM_KEY_P);
    return 0;
}

}  // namespace

void DropHeldKeyCharacters(HeldKeys& keys, const PlatformInputWanted& wanted, uint32_t downNow, PlatformInput* input) {
    keys.held = wanted.mode == INPUT_NAME ? keys.held & downNow : downNow;
    int kept = 0;
    for (int i = 0; i < input->messageCount; ++i) {
        const PlatformMessage& m = input->messages[i];
        if (m.kind == MESSAGE_CHAR && (KeyOfCharacter(m.character) & keys.held) != 0) continue;
        input->messages[kept++] = m;
    }
    input->messageCount = kept;
}
