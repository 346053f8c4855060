// The bridge as the fuzz targets drive it: one dispatcher built in-process
// over the simulator, exactly as the loaded library builds its global one.
//
// The schedule file and the log directory are read from the environment when
// the program starts, so FuzzBridge::start (called from the
// LLVMFuzzerInitialize defined here for every target) points ZDBRIDGE_DB_PATH and ZDBRIDGE_LOG_DIR at a
// private directory and re-executes the program when they were not set;
// a fuzz run never touches /etc/db.xml or /tmp/bridge.log. The rescan pause
// of USB adapters is switched off. The dispatcher's log writes its
// interface lines (every request text goes through the log's formatting);
// beginInput keeps the log file small.
//
//   extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
//       FuzzBridge::beginInput(); FuzzBridge::management().command(...); ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Management;

namespace FuzzBridge {

// Makes sure the private directory is the configured one (see above).
void start(int argc, char** argv);
// The private directory, with a trailing "/".
const std::string& directory();
// The dispatcher, built on first use and kept for the whole run.
Management& management();
// Before each input: the simulator back to its built-in enclosure on the
// manual clock, and the log file emptied once it has grown large.
void beginInput();
// The fuzz input as a NUL-terminated text (cut at its first NUL).
std::string text(const uint8_t* data, size_t size);
// Replaces a file's contents.
void writeFile(const std::string& path, const uint8_t* data, size_t size);

}  // namespace FuzzBridge
