// Layering fixture: a front end with a header that is nowhere.
#include "Missing.h"
#include "front/Core.h"
