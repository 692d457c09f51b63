// The native Windows backend's game controllers: XInput, loaded at run time so that the game
// still starts where no XInput DLL is present. XInput has no events, so the pads are read
// whenever the game looks at a key.
#include "platform/win32/win32.h"

#include <xinput.h>

namespace {

using GetStateFunction = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
using SetStateFunction = DWORD(WINAPI*)(DWORD, XINPUT_VIBRATION*);

// Asking after an absent pad can take long on some systems: once a second is enough to find
// one plugged in.
constexpr DWORD ABSENT_PAD_LOOK_MS = 1000;
constexpr DWORD RUMBLE_MS = 300;
constexpr WORD RUMBLE_LOW = 0xC000, RUMBLE_HIGH = 0xFFFF;
// The triggers run 0..255; 30 % of the travel counts, as for the sticks.
constexpr BYTE TRIGGER_DEAD_ZONE = 76;

struct XInputPads {
    HMODULE library = nullptr;
    GetStateFunction getState = nullptr;
    SetStateFunction setState = nullptr;
    bool connected[XUSER_MAX_COUNT] = {};
    DWORD absentLookAt = 0;
    bool rumbling = false;
    DWORD rumbleEnd = 0;
};
XInputPads xinput;

uint32_t PadButtons(const XINPUT_GAMEPAD& pad) {
    const WORD b = pad.wButtons;
    uint32_t buttons = PadStickButtons(pad.sThumbLX, -int(pad.sThumbLY));  // XInput's y grows upwards
    if (b & XINPUT_GAMEPAD_DPAD_LEFT) buttons |= PAD_LEFT;
    if (b & XINPUT_GAMEPAD_DPAD_RIGHT) buttons |= PAD_RIGHT;
    if (b & XINPUT_GAMEPAD_DPAD_UP) buttons |= PAD_UP;
    if (b & XINPUT_GAMEPAD_DPAD_DOWN) buttons |= PAD_DOWN;
    if (b & XINPUT_GAMEPAD_A) buttons |= PAD_A;
    if (b & XINPUT_GAMEPAD_B) buttons |= PAD_B;
    if ((b & XINPUT_GAMEPAD_RIGHT_SHOULDER) || pad.bRightTrigger > TRIGGER_DEAD_ZONE) buttons |= PAD_FIRE;
    if (b & XINPUT_GAMEPAD_START) buttons |= PAD_START;
    if (b & XINPUT_GAMEPAD_BACK) buttons |= PAD_BACK;
    return buttons;
}

void SetRumble(WORD low, WORD high) {
    XINPUT_VIBRATION vibration = {low, high};
    for (DWORD i = 0; i < XUSER_MAX_COUNT; ++i)
        if (xinput.connected[i]) xinput.setState(i, &vibration);
}

}  // namespace

// The newest XInput first; Windows 7 has 1.3 only with the DirectX runtime, 9.1.0 always.
void OpenControllers() {
    for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
        xinput.library = LoadLibraryA(name);
        if (xinput.library != nullptr) break;
    }
    if (xinput.library == nullptr) return;
    xinput.getState = reinterpret_cast<GetStateFunction>(
        reinterpret_cast<void*>(GetProcAddress(xinput.library, "XInputGetState")));
    xinput.setState = reinterpret_cast<SetStateFunction>(
        reinterpret_cast<void*>(GetProcAddress(xinput.library, "XInputSetState")));
    if (xinput.getState == nullptr || xinput.setState == nullptr) {
        FreeLibrary(xinput.library);  // never called into
        xinput = XInputPads{};
        return;
    }
    xinput.absentLookAt = GetTickCount() - ABSENT_PAD_LOOK_MS;
}

// XInput stays loaded until the process ends. Wine's XInput reads the pads in a thread of its
// own that may still be running when the game closes; freeing the library under it crashed the
// game as it ended (three exits in forty on a busy machine under Wine, at an address inside the freed
// xinput1_4.dll).
void CloseControllers() {
    if (xinput.rumbling) SetRumble(0, 0);
    xinput.getState = nullptr;
    xinput.setState = nullptr;
    xinput.rumbling = false;
}

void PollControllers() {
    if (xinput.getState == nullptr) return;
    const DWORD now = GetTickCount();
    const bool lookForAbsent = now - xinput.absentLookAt >= ABSENT_PAD_LOOK_MS;
    if (lookForAbsent) xinput.absentLookAt = now;
    uint32_t buttons = 0;
    bool unplugged = false;
    for (DWORD i = 0; i < XUSER_MAX_COUNT; ++i) {
        if (!xinput.connected[i] && !lookForAbsent) continue;
        XINPUT_STATE state = {};
        const bool present = xinput.getState(i, &state) == ERROR_SUCCESS;
        unplugged = unplugged || (xinput.connected[i] && !present);
        xinput.connected[i] = present;
        if (present) buttons |= PadButtons(state.Gamepad);
    }
    PadSetButtons(win32.pad, win32.latches, buttons, now);
    if (unplugged) PadUnplugged(win32.pad, win32.latches);
    if (xinput.rumbling && int32_t(now - xinput.rumbleEnd) >= 0) {
        SetRumble(0, 0);
        xinput.rumbling = false;
    }
}

void RumbleControllers() {
    if (xinput.setState == nullptr) return;
    SetRumble(RUMBLE_LOW, RUMBLE_HIGH);
    xinput.rumbling = true;
    xinput.rumbleEnd = GetTickCount() + RUMBLE_MS;
}
