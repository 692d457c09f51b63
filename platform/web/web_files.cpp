// The browser backend's files: the pictures and qfel.dat, which the page unpacks into the
// program's memory before the game starts, and the high-score table with the copies of a damaged
// one, which live in the browser's storage (page/storage.js) so that every tab of the page
// shares them.
#include <emscripten.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/backend.h"
#include "platform/web/web.h"

namespace {

// A table is ten short lines; a bigger value is hand-made and only its start can matter.
constexpr int MAX_TABLE_BYTES = 64 * 1024;
constexpr size_t MAX_DATA_BYTES = 64 << 20;

// The stored table's length, or -1 when none is stored (or the storage cannot be read); its bytes
// wait in the page for JsTakeTable.
EM_JS(int, JsLoadTable, (), { return Store.loadTable(); });
EM_JS(void, JsTakeTable, (uint8_t* to, int bytes), { HEAPU8.set(Store.takeTable().subarray(0, bytes), to); });
// 1 when the table was stored; otherwise the reason is written to `why`.
EM_JS(int, JsSaveTable, (const uint8_t* bytes, int size, char* why, int whySize), {
    const refusal = Store.saveTable(HEAPU8.slice(bytes, bytes + size));
    if (refusal) stringToUTF8(refusal, why, whySize);
    return refusal ? 0 : 1;
});
// Copies the stored table to the first free name of qfhs.dat.bak, .bak.1 ... .bak.9 in storage:
// writes the name used, or why none was kept, to `said`; 1 when a copy was kept.
EM_JS(int, JsKeepTableCopy, (char* said, int saidSize), {
    const copy = Store.keepTableCopy();
    stringToUTF8(copy.said, said, saidSize);
    return copy.kept ? 1 : 0;
});
EM_JS(void, JsTableNotSaved, (const char* why), { Store.tableNotSaved(UTF8ToString(why)); });

void Say(const std::string& line) {
    std::fprintf(stderr, "quellfort: %s\n", line.c_str());
    web.lastSaid = line;
}

}  // namespace

bool BackendReadDataFile(const char* name, std::string* bytes) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), {});
    if (bytes->size() > MAX_DATA_BYTES) bytes->resize(MAX_DATA_BYTES);
    return true;
}

PlatformTableRead BackendReadTable(std::string* bytes) {
    bytes->clear();
    const int size = JsLoadTable();
    if (size < 0) return TABLE_MISSING;
    bytes->resize(size_t(size));
    JsTakeTable(reinterpret_cast<uint8_t*>(bytes->data()), size);
    if (bytes->size() > size_t(MAX_TABLE_BYTES)) bytes->resize(MAX_TABLE_BYTES);
    return TABLE_READ;
}

bool BackendKeepTableCopy() {
    char said[256] = {};
    const bool kept = JsKeepTableCopy(said, int(sizeof said)) != 0;
    if (kept) Say(std::string("qfhs.dat in this browser is damaged: kept as ") + said + ", the default high scores replace it");
    else Say(std::string("qfhs.dat in this browser is damaged and no copy could be kept (") + said +
             "): it is left as it is, and the default high scores are played and not saved");
    return kept;
}

// The browser runs the page's script and the game on one thread, and the save reads, merges and
// writes without giving way in between; another tab's save cannot fall between the read and the
// write but in the rare case of two tabs in two processes saving within the same instant.
PlatformTableRead BackendLockTable(std::string* bytes) { return BackendReadTable(bytes); }
void BackendUnlockTable() {}

bool BackendSaveTable(const std::string& bytes) {
    char why[256] = {};
    if (JsSaveTable(reinterpret_cast<const uint8_t*>(bytes.data()), int(bytes.size()), why, int(sizeof why)) != 0)
        return true;
    Say(std::string("high scores not saved: the browser's storage refused them (") + why + ")");
    return false;
}

void BackendTableNotSaved() { JsTableNotSaved(web.lastSaid.c_str()); }

// Called by the page's import of a table: 1 when the bytes read as a whole table by the game's
// own reader (the page then stores them; the game reads them at its next start).
extern "C" EMSCRIPTEN_KEEPALIVE int WebTableIsWhole(const uint8_t* bytes, int size) {
    const PlatformStateHooks& hooks = SessionHooks();
    if (hooks.isWholeTable == nullptr || bytes == nullptr || size < 0) return 0;
    return hooks.isWholeTable(std::string(reinterpret_cast<const char*>(bytes), size_t(size))) ? 1 : 0;
}
