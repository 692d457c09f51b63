// Shared by the fuzz targets that read a data file by name: a scratch folder to work in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Makes a fresh temporary folder the current directory for the rest of the run; removed at exit.
void EnterScratchFolder(const char* purpose);
void WriteWholeFile(const char* name, const uint8_t* bytes, size_t size);
// The file's bytes; missing is set when it could not be opened.
std::string ReadWholeFile(const char* name, bool* missing = nullptr);
