// Resource lookup shared by the backends that carry the resources inside the executable.
#include "platform/common/resources.h"

#include <strings.h>

#include "platform/platform.h"

bool PlatformFindResource(const char* name, const uint8_t** data, size_t* size) {
    if (name == nullptr) return false;
    for (const EmbeddedResource* r = embeddedResources; r->name != nullptr; ++r) {
        if (strcasecmp(r->name, name) == 0) {
            *data = r->data;
            *size = r->size;
            return true;
        }
    }
    return false;
}
