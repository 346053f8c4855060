// Writes a libxml2 document to a file so that the file is never left
// truncated, empty or half-written.
//
// The document is serialised exactly as xmlSaveFileEnc(path, doc, NULL)
// would write it, into a new temporary file in the same directory (created
// exclusively, never through a symbolic link), flushed to disk, and then
// moved over the path in one step. Any failure removes the temporary file
// and leaves the previous file as it was; so does a document libxml2 cannot
// write as it is (a control character in a text). A symbolic link (or anything
// else that is not a regular file) at the path is never written through, and
// a file that is read-only (no write permission bits, or none for the caller)
// is never replaced.
//
// A file that may be written in a directory that may not (a schedule file a
// package made writable in /etc for a front end that does not run as root)
// is rewritten in place instead, after its room was reserved: a full disk
// still leaves it untouched, only a crash in the middle of the write can
// leave it half-written.
//
//   AtomicXmlFile::save(path, doc)    replaces the file
//   AtomicXmlFile::create(path, doc)  writes the file only if none exists
#pragma once

#include <string>

#include <libxml/tree.h>

class AtomicXmlFile {
public:
    // True when the file at path now holds the document.
    static bool save(const std::string& path, xmlDocPtr doc);
    // As save, but fails (leaving it alone) when anything exists at path.
    static bool create(const std::string& path, xmlDocPtr doc);

    // Test hook: the next `count` saves fail after writing half of the data,
    // as on a full disk (0 switches the failures off).
    static void failWritesForTesting(int count);

private:
    static bool write(const std::string& path, xmlDocPtr doc, bool replace);
};
