// What the readers under test link against but never use while reading: the title screen's
// text drawing, the name-entry values, and the embedded resources. The fuzz targets need none
// of the display, so they build from the readers' own sources in seconds.
#include <cstddef>
#include <cstdint>

#include "gfx/display.h"
#include "platform/platform.h"
#include "records/records.h"

int32_t newEntryRow = -1;
int32_t nameLength = 0;

void BeginText(uint32_t) {}
void DrawTextAt(int, int, const char*) {}
void EndText() {}

bool PlatformFindResource(const char*, const uint8_t**, size_t*) { return false; }
