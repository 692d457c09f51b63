// The fuzz targets run the table's readers and writers without a session: the seam's table calls
// go straight to the disk, as they do in a live game.
#include "platform/backend.h"

PlatformTableRead PlatformReadTable(std::string* bytes) { return BackendReadTable(bytes); }
bool PlatformKeepTableCopy() { return BackendKeepTableCopy(); }
bool PlatformSaveTable(const std::string& bytes) { return BackendSaveTable(bytes); }
PlatformTableRead PlatformLockTable(std::string* bytes) { return BackendLockTable(bytes); }
void PlatformUnlockTable() { BackendUnlockTable(); }
void PlatformTableNotSaved() { BackendTableNotSaved(); }
bool PlatformReadDataFile(const char* name, std::string* bytes) { return BackendReadDataFile(name, bytes); }
