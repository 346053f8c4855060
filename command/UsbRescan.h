// Rescanning an adapter attached over USB after its arrays changed.
//
// Creating or deleting a package VD changes what a USB enclosure reports;
// the adapter is then rescanned after a pause (RescanDelay). Adapters on
// other links are left alone.
#pragma once

#include <cstdint>

class Log;

// Reads the adapter's link type; over USB waits, writes an api_data line
// titled `title` and calls ZD_API_RescanAdapter (its answer is not used).
void rescanIfUsb(uint8_t adapter, Log& log, const char* title);
