// Characters of keys held into name entry are dropped until the key is let go.
#include "platform/common/held_keys.h"

#include "platform/common/settings.h"

namespace {

// The game keys given by the key that types a character (by default Space fires, P pauses),
// through the player's bindings.
uint32_t KeyOfCharacter(uint8_t character) {
    int keyCode = character == ' ' || (character >= '0' && character <= '9') ? character : KEY_NONE;
    if (character >= 'a' && character <= 'z') keyCode = character - 'a' + 'A';
    if (character >= 'A' && character <= 'Z') keyCode = character;
    return GameKeysOfKey(keyCode, INPUT_NAME);
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
