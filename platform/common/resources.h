// The table of resources embedded in the executable at build time, ended by a null name.
#pragma once

#include <cstddef>

struct EmbeddedResource {
    const char* name;
    const unsigned char* data;
    size_t size;
};

extern const EmbeddedResource embeddedResources[];
