// Formation file. (Being written.)
#include "records/records.h"
FormationTable formations;
void LoadFormations() {}
