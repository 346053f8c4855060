// Layering fixture: the front-end core reaching into one front end.
#include "cli/Args.h"
#include "zdbridge.h"
