/* A controller library without the SONAME libzd_api.so: a bridge loaded
 * after it binds to another libzd_api.so, which the front end must refuse. */
const char* ZD_API_Version(void);

const char* ZD_API_Version(void) { return "fake 0"; }
