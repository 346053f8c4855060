/* zdbridge: management bridge for external RAID enclosures.
 *
 * A front end loads libzdbridge.so and talks to it only through these eight
 * functions. Requests are NUL-terminated strings; answers are XML texts owned
 * by the library. A text stored through `out` by getSingleInfo, getArrayInfo,
 * getCondition or getEvent stays valid until the next call of any of those
 * four functions; a getRange text lives as long as the library. Never free
 * them. The functions must not be called from two threads at once.
 * Request documents longer than ZDBRIDGE_MAX_REQUEST bytes are refused as
 * empty ones: sendCommand answers 6, getCondition stores nothing.
 */
#ifndef ZDBRIDGE_H
#define ZDBRIDGE_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(ZDBRIDGE_BUILD)
#define ZDBRIDGE_EXPORT __attribute__((visibility("default")))
#else
#define ZDBRIDGE_EXPORT
#endif

#define ZDBRIDGE_MAX_REQUEST 65536

/* "1.0.0.38" */
ZDBRIDGE_EXPORT const char* getBridgeVersion(void);
/* Selects the adapter (decimal text) every later request addresses. */
ZDBRIDGE_EXPORT void selectAdapter(const char* adapterId);
/* One object of an information class; false when nothing was answered. */
ZDBRIDGE_EXPORT bool getSingleInfo(const char* className, const char* key, char** out);
/* Every object of an information class. */
ZDBRIDGE_EXPORT void getArrayInfo(const char* className, char** out);
/* An enumeration table: numbers and their display texts. */
ZDBRIDGE_EXPORT void getRange(const char* rangeName, char** out);
/* Evaluates a condition request document. */
ZDBRIDGE_EXPORT void getCondition(const char* request, char** out);
/* Runs a command request document; answers its one-byte result code. */
ZDBRIDGE_EXPORT unsigned char sendCommand(const char* request);
/* Drains the selected adapter's new events into an "Events" document. */
ZDBRIDGE_EXPORT void getEvent(char** out);

#ifdef __cplusplus
}
#endif

#endif /* ZDBRIDGE_H */
