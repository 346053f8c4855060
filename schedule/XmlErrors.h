// Sends libxml2's error messages to the bridge log, not to stderr.
//
// The library runs inside the front end's process, whose stderr is not the
// bridge's to write on. While an XmlErrors lives, libxml2's messages on this
// thread become log lines (kind util, titled "libxml2") and its errors are
// counted; the handlers that were set before (the front end's own, should it
// use libxml2 too) are put back when it goes. Guards nest.
//
//   XmlErrors errors;
//   xmlDocDumpFormatMemory(doc, ...);
//   if (errors.count() != 0) refuse;   // the text is not the document
#pragma once

#include <libxml/xmlerror.h>

class Log;

class XmlErrors {
public:
    XmlErrors();
    ~XmlErrors();
    XmlErrors(const XmlErrors&) = delete;
    XmlErrors& operator=(const XmlErrors&) = delete;

    // Errors (not warnings) libxml2 reported since the guard was made.
    int count() const { return m_errors; }

private:
    static void structured(void* self, xmlErrorPtr error);
    static void generic(void* self, const char* format, ...);
    void write(const char* message);

    Log* m_log;
    int m_errors = 0;
    xmlStructuredErrorFunc m_previousStructured;
    void* m_previousStructuredContext;
    xmlGenericErrorFunc m_previousGeneric;
    void* m_previousGenericContext;
};
