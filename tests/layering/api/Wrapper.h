// Layering fixture: a wrapper that reaches up into the dispatcher.
#include "base/Log.h"
#include "bridge/Management.h"
