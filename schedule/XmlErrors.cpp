#include "schedule/XmlErrors.h"

#include <libxml/globals.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "base/Log.h"

XmlErrors::XmlErrors()
    : m_log(Log::getLog()),
      m_previousStructured(xmlStructuredError),
      m_previousStructuredContext(xmlStructuredErrorContext),
      m_previousGeneric(xmlGenericError),
      m_previousGenericContext(xmlGenericErrorContext) {
    xmlSetStructuredErrorFunc(this, structured);
    xmlSetGenericErrorFunc(this, generic);
}

XmlErrors::~XmlErrors() {
    xmlSetStructuredErrorFunc(m_previousStructuredContext, m_previousStructured);
    xmlSetGenericErrorFunc(m_previousGenericContext, m_previousGeneric);
    Log::clear();
}

void XmlErrors::structured(void* self, xmlErrorPtr error) {
    XmlErrors* errors = static_cast<XmlErrors*>(self);
    if (error == nullptr) return;
    if (error->level >= XML_ERR_ERROR) ++errors->m_errors;
    errors->write(error->message != nullptr ? error->message : "");
}

void XmlErrors::generic(void* self, const char* format, ...) {
    XmlErrors* errors = static_cast<XmlErrors*>(self);
    ++errors->m_errors;
    char message[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    errors->write(message);
}

void XmlErrors::write(const char* message) {
    std::string text(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    m_log->startLine(Log::util, "libxml2");
    m_log->writeFormatInfo("%s", text.c_str());
    m_log->endLine();
}
