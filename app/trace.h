// The program's whole state as JSON members, for the headless runner's trace.
#pragma once

#include <string>

void WriteTraceState(std::string& out);
