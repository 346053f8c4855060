// Layering fixture: a runner that includes a command.
#include "command/CheckPackageVD.h"
