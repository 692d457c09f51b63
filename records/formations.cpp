// Formation file: the virus kinds of the ten formations, read once from qfel.dat at start-up.
#include <cstring>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "records/records.h"

FormationTable formations;

namespace {

// There are four virus pictures; the drawing indexes them by kind.
constexpr int32_t VIRUS_KINDS = 4;

}  // namespace

// The file lists each formation row by row, top row first, each row left to right, while the
// table is indexed column first. Reading stops at the end or at the first item that is not a
// number; that entry and every later one stay 0, an ordinary virus of the first kind.
void ReadFormations(std::istream& in) {
    std::memset(formations, 0, sizeof formations);
    for (int f = 0; f < FORMATION_COUNT; ++f)
        for (int row = 0; row < FORMATION_ROWS; ++row)
            for (int column = 0; column < FORMATION_COLUMNS; ++column) {
                int32_t kind = 0;
                if (!(in >> kind)) return;
                formations[f][column][row] = kind >= 0 && kind < VIRUS_KINDS ? kind : 0;
            }
}

// Without the file the table stays all zero: every virus of the first kind.
void LoadFormations() {
    std::string bytes;
    if (!PlatformReadDataFile("qfel.dat", &bytes)) {
        std::memset(formations, 0, sizeof formations);
        return;
    }
    std::istringstream in(bytes);
    ReadFormations(in);
}
