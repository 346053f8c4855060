/* The public header used from plain C: a front end written in C includes
 * zdbridge.h, links libzdbridge and calls it. Exits 0 when every answer is
 * the expected text, 1 otherwise. */
#include <stdio.h>
#include <string.h>

#include "zdbridge.h"

static int expect(const char* what, const char* got, const char* wanted) {
    if (got != NULL && strcmp(got, wanted) == 0) return 0;
    fprintf(stderr, "%s: got \"%s\", wanted \"%s\"\n", what, got ? got : "(null)", wanted);
    return 1;
}

int main(void) {
    int failures = 0;
    char* out = NULL;
    bool answered;

    failures += expect("getBridgeVersion", getBridgeVersion(), "1.0.0.38");
    getRange("VDCache", &out);
    failures += expect("getRange(VDCache)", out,
                       "<VDCache><Item default= 'true'><Enum>0</Enum><String>Performance</String></Item>"
                       "<Item><Enum>1</Enum><String>Protection</String></Item></VDCache>");
    getRange("NoSuchRange", &out);
    failures += expect("getRange(NoSuchRange)", out, "<NotFound/>");
    out = NULL;
    answered = getSingleInfo("NoSuchClass", "0", &out);
    if (answered || out != NULL) {
        fprintf(stderr, "getSingleInfo(NoSuchClass) answered\n");
        ++failures;
    }
    if (sendCommand("<NoSuchCommand/>") != 6) {
        fprintf(stderr, "sendCommand(NoSuchCommand) is not 6\n");
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
