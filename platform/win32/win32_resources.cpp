// The native Windows backend's resource lookup: the WAVE resources of the program file itself.
#include "platform/win32/win32.h"

// The loader compares resource names without regard to case, so "menu_beep_sound" finds
// MENU_BEEP_SOUND; the bytes stay mapped for the whole run.
bool PlatformFindResource(const char* name, const uint8_t** data, size_t* size) {
    if (name == nullptr) return false;
    HRSRC found = FindResourceA(nullptr, name, "WAVE");
    if (found == nullptr) return false;
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (loaded == nullptr) return false;
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) return false;
    *data = static_cast<const uint8_t*>(bytes);
    *size = SizeofResource(nullptr, found);
    return true;
}
