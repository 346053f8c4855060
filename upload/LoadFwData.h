// The firmware upload request: which adapter to flash and from which file.
//
// Filled by the "Upload" command from its request ("Address" gives the path)
// and copied into the upload state for the worker. Not a controller record.
#pragma once

#include <cstdint>
#include <string>

struct _LoadFwData {
    uint8_t adapterId = 0;
    std::string path;
};
