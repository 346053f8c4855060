// InstallLayout: where this installation keeps its libraries, found from the
// running program, so that a front end works the same from the build tree,
// from /usr, from /usr/local and from a package unpacked anywhere (dpkg -x).
//
// Front ends live in <prefix>/bin (or sbin); the libraries in <prefix>/<libdir>
// (lib, or lib/<multiarch triplet> for /usr). The build tree mirrors that
// layout, so one relative path, fixed at configure time, serves every case:
//
//   <libraryDirectory()>/libzdbridge.so.1                    the bridge
//   <libraryDirectory()>/zdbridge/simulator/libzd_api.so     the simulator
//   <dataDirectory()>/zdbridge/web                           zdmond's dashboard
#pragma once

#include <string>

namespace zdfront {

// The canonical directory of this installation's libraries (symbolic links
// and ".." resolved); empty when the running program's path is unknown or
// the directory does not exist.
std::string libraryDirectory();
// The same for the architecture-independent data (<prefix>/share).
std::string dataDirectory();

}  // namespace zdfront
